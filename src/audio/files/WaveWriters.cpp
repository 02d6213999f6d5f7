// Creating the WAV file writers.
#include "audio/files/WaveWriters.h"

#include "audio/files/LAcmWaveWriter.h"
#include "audio/files/LWaveWriter.h"

LSoundSinkPtr CreateWaveWriter(const std::string& fileName, std::int32_t sampleRate,
                               std::int32_t startFrame, std::int32_t bitsPerSample,
                               std::int32_t channels) {
    const std::int32_t bytesPerSample = bitsPerSample <= 8 ? 1 : bitsPerSample <= 16 ? 2 : 4;
    return MakeCounted<LWaveWriter>(fileName, sampleRate, startFrame, bytesPerSample, channels);
}

std::int32_t WaveWriterPeakBound(const WaveFormatRecord& format) {
    return format.formatTag == kWaveFormatPcm && format.bitsPerSample <= 8 ? kPeakBound8Bit
                                                                           : kPeakBound16Bit;
}

LSoundSinkPtr CreateWaveWriterForFormat(const std::string& fileName,
                                        const WaveFormatRecord& format) {
    if (format.formatTag == kWaveFormatPcm) {
        return CreateWaveWriter(fileName, static_cast<std::int32_t>(format.sampleRate), 0,
                                format.bitsPerSample, format.channels);
    }
    return MakeCounted<LAcmWaveWriter>(fileName, format);
}
