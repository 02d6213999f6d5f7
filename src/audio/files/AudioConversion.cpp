// Converting audio files into a writer's format.
#include "audio/files/AudioConversion.h"

#include <vector>

#include "audio/dsp/LChannelsProcess.h"
#include "audio/dsp/LPeakLimiter.h"
#include "audio/dsp/LResampler.h"
#include "audio/files/LMp3Reader.h"
#include "audio/files/WaveReaders.h"

LSoundSourcePtr OpenAudioFile(const std::string& fileName, WaveFormatRecord* format) {
    LSoundSourcePtr wave = OpenWaveFile(fileName, format);
    if (wave && !wave->IsInvalid()) {
        return wave;
    }
    LSoundSourcePtr mp3 = OpenMp3File(fileName);
    if (!mp3 || mp3->IsInvalid()) {
        return wave;
    }
    if (format) {
        *format = WaveFormatRecord{};
        format->formatTag = kWaveFormatMpegLayer3;
        format->channels = mp3->channels;
        format->sampleRate = static_cast<std::uint32_t>(mp3->sampleRate);
        format->bytesPerSecond = 0;
        format->blockAlign = 0;
        format->bitsPerSample = 0;
    }
    return mp3;
}

LSoundSourcePtr BuildConversionChain(const LSoundSourcePtr& source, std::int32_t sampleRate,
                                     std::int32_t channels, std::int32_t peakLimit) {
    if (!source || source->IsInvalid() || channels < 1 || channels > 255) {
        return {};
    }
    LSoundSourcePtr head = source;
    LChannelsProcess(static_cast<std::uint16_t>(channels)).Create(head, head);
    LSampleRateProcess(sampleRate).Create(head, head);
    LPeakLimiterProcess(peakLimit).Create(head, head);
    // The channel stage only converts between mono and stereo, and the rate stage only works
    // on those: anything else would reach the writer in the wrong layout.
    if (!head || head->IsInvalid() || head->channels != channels ||
        head->sampleRate != sampleRate) {
        return {};
    }
    return head;
}

bool WriteConverted(LSoundSource& chain, LSoundSink& writer, const ConversionProgress& progress) {
    std::int32_t length = chain.GetLength();
    std::vector<std::int32_t> block(std::size_t(kConversionBlockFrames) * chain.channels);
    std::int32_t position = chain.GetPosition();
    while (position < length) {
        if (writer.HasFailed() || (progress && !progress(position, length))) {
            return false;
        }
        chain.Read(block.data(), kConversionBlockFrames);
        position = chain.GetPosition();
        length = chain.GetLength();
        // The last block holds frames beyond the length: only the part within it is written.
        const std::int32_t beyond = std::max(position - length, 0);
        writer.Write(block.data(),
                     kConversionBlockFrames - std::min(beyond, kConversionBlockFrames));
    }
    return !writer.HasFailed();
}

bool ConvertToWriter(const LSoundSourcePtr& source, const LSoundSinkPtr& writer,
                     const ConversionProgress& progress) {
    if (!writer || writer->IsInvalid()) {
        return false;
    }
    LSoundSourcePtr chain =
        BuildConversionChain(source, writer->sampleRate, writer->channels, writer->peakBound);
    return chain && WriteConverted(*chain, *writer, progress);
}
