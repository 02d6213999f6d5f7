// The sound card mixer behind a wave device, through ALSA's simple mixer interface.
#include "audio/devices/Mixer.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "audio/devices/WaveDevices.h"

namespace {

// The control device of the card behind a PCM name: "hw:0,0" and "plughw:0" belong to card 0,
// "front:CARD=PCH,DEV=0" to card PCH. Names without a card (the desktop's "default") have none.
std::optional<std::string> CardOf(std::string_view pcm) {
    if (std::size_t at = pcm.find("CARD="); at != std::string_view::npos) {
        std::string_view card = pcm.substr(at + 5);
        return "hw:" + std::string(card.substr(0, card.find(',')));
    }
    for (std::string_view prefix : {"hw:", "plughw:"}) {
        if (pcm.substr(0, prefix.size()) == prefix) {
            std::string_view card = pcm.substr(prefix.size());
            return "hw:" + std::string(card.substr(0, card.find(',')));
        }
    }
    return std::nullopt;
}

struct MixerCloser {
    void operator()(snd_mixer_t* mixer) const { snd_mixer_close(mixer); }
};
using MixerHandle = std::unique_ptr<snd_mixer_t, MixerCloser>;

MixerHandle OpenMixer(WaveDirection direction, std::int8_t device) {
    if (device < 0) {
        return nullptr;
    }
    std::optional<std::string> card = CardOf(WaveDevicePcmName(direction, device));
    snd_mixer_t* raw = nullptr;
    if (!card || snd_mixer_open(&raw, 0) < 0) {
        return nullptr;
    }
    MixerHandle mixer(raw);
    if (snd_mixer_attach(raw, card->c_str()) < 0 ||
        snd_mixer_selem_register(raw, nullptr, nullptr) < 0 || snd_mixer_load(raw) < 0) {
        return nullptr;
    }
    return mixer;
}

// The enumerated capture-source control (for example "Capture Source"), if the card has one.
snd_mixer_elem_t* CaptureEnum(snd_mixer_t* mixer) {
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer); e; e = snd_mixer_elem_next(e)) {
        if (snd_mixer_selem_is_active(e) && snd_mixer_selem_is_enum_capture(e)) {
            return e;
        }
    }
    return nullptr;
}

// The capture elements a user records from, when there is no enumerated source control.
std::vector<snd_mixer_elem_t*> CaptureElements(snd_mixer_t* mixer) {
    std::vector<snd_mixer_elem_t*> elements;
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer); e; e = snd_mixer_elem_next(e)) {
        if (snd_mixer_selem_is_active(e) && !snd_mixer_selem_is_enumerated(e) &&
            (snd_mixer_selem_has_capture_volume(e) || snd_mixer_selem_has_capture_switch(e))) {
            elements.push_back(e);
        }
    }
    return elements;
}

// Scales a mixer value (0..65535) onto an element's own range.
long Scaled(std::uint32_t value, long min, long max) {
    return min + static_cast<long>((static_cast<long long>(max - min) * value) / 65535);
}

void SetCapture(snd_mixer_elem_t* element, bool on, std::uint32_t value) {
    if (snd_mixer_selem_has_capture_volume(element)) {
        long min = 0;
        long max = 0;
        snd_mixer_selem_get_capture_volume_range(element, &min, &max);
        snd_mixer_selem_set_capture_volume_all(element, on ? Scaled(value, min, max) : min);
    }
    if (snd_mixer_selem_has_capture_switch(element)) {
        snd_mixer_selem_set_capture_switch_all(element, on ? 1 : 0);
    }
}

void SetPlayback(snd_mixer_elem_t* element, std::uint32_t value) {
    if (snd_mixer_selem_has_playback_volume(element)) {
        long min = 0;
        long max = 0;
        snd_mixer_selem_get_playback_volume_range(element, &min, &max);
        snd_mixer_selem_set_playback_volume_all(element, Scaled(value, min, max));
    }
    if (snd_mixer_selem_has_playback_switch(element)) {
        snd_mixer_selem_set_playback_switch_all(element, 1);
    }
}

snd_mixer_elem_t* FindElement(snd_mixer_t* mixer, const char* name) {
    snd_mixer_selem_id_t* id = nullptr;
    snd_mixer_selem_id_alloca(&id);
    snd_mixer_selem_id_set_name(id, name);
    snd_mixer_selem_id_set_index(id, 0);
    return snd_mixer_find_selem(mixer, id);
}

}  // namespace

std::uint32_t MixerValue(std::int8_t level) {
    if (level < -35) {
        return 0;
    }
    return std::min<std::uint32_t>(static_cast<std::uint32_t>(level + 36) * 1424, 65535);
}

std::uint8_t GetRecordSourceCount(std::int8_t waveInDevice) {
    MixerHandle mixer = OpenMixer(WaveDirection::Input, waveInDevice);
    if (!mixer) {
        return 0;
    }
    std::size_t count = 0;
    if (snd_mixer_elem_t* sources = CaptureEnum(mixer.get())) {
        int items = snd_mixer_selem_get_enum_items(sources);
        count = items > 0 ? static_cast<std::size_t>(items) : 0;
    } else {
        count = CaptureElements(mixer.get()).size();
    }
    return static_cast<std::uint8_t>(std::min<std::size_t>(count, 127));
}

std::string GetRecordSourceName(std::int8_t waveInDevice, int index) {
    if (index < 0) {
        return kSystemRecordMixerName;
    }
    MixerHandle mixer = OpenMixer(WaveDirection::Input, waveInDevice);
    if (!mixer) {
        return "";
    }
    std::string name;
    if (snd_mixer_elem_t* sources = CaptureEnum(mixer.get())) {
        char text[64] = {};
        if (index < snd_mixer_selem_get_enum_items(sources) &&
            snd_mixer_selem_get_enum_item_name(sources, static_cast<unsigned>(index), sizeof text,
                                               text) == 0) {
            name = text;
        }
    } else {
        std::vector<snd_mixer_elem_t*> elements = CaptureElements(mixer.get());
        if (index < static_cast<int>(elements.size())) {
            name = snd_mixer_selem_get_name(elements[static_cast<std::size_t>(index)]);
        }
    }
    return name.substr(0, 31);
}

void SelectRecordSource(std::int8_t waveInDevice, std::int8_t source, std::int8_t level) {
    if (source < 0) {
        return;
    }
    MixerHandle mixer = OpenMixer(WaveDirection::Input, waveInDevice);
    if (!mixer) {
        return;
    }
    std::uint32_t value = MixerValue(level);
    if (snd_mixer_elem_t* sources = CaptureEnum(mixer.get())) {
        if (source < snd_mixer_selem_get_enum_items(sources)) {
            snd_mixer_selem_set_enum_item(sources, SND_MIXER_SCHN_MONO,
                                          static_cast<unsigned>(source));
        }
        // The selected source is recorded through the card's main capture control.
        if (snd_mixer_elem_t* capture = FindElement(mixer.get(), "Capture")) {
            SetCapture(capture, true, value);
        }
        return;
    }
    std::vector<snd_mixer_elem_t*> elements = CaptureElements(mixer.get());
    for (std::size_t i = 0; i < elements.size(); ++i) {
        SetCapture(elements[i], static_cast<int>(i) == source, value);
    }
}

void SetPlayVolume(std::int8_t waveOutDevice, std::int8_t level, std::int8_t waveOffset) {
    MixerHandle mixer = OpenMixer(WaveDirection::Output, waveOutDevice);
    if (!mixer) {
        return;
    }
    if (snd_mixer_elem_t* master = FindElement(mixer.get(), "Master")) {
        SetPlayback(master, MixerValue(level));
    }
    if (snd_mixer_elem_t* pcm = FindElement(mixer.get(), "PCM")) {
        auto stream = static_cast<std::int8_t>(std::clamp(level + waveOffset, -127, 127));
        SetPlayback(pcm, MixerValue(stream));
    }
}
