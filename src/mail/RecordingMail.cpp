// The recordings' e-mail built and written with GMime, which gets encoded words, RFC 2231 file
// names, line lengths and base64 right.
#include "mail/RecordingMail.h"

#include <gmime/gmime.h>

#include <cstring>
#include <memory>
#include <mutex>

#include "base/PosixFile.h"
#include "mail/GObjectPtr.h"

namespace {

void StartGMime() {
    static std::once_flag started;
    std::call_once(started, [] { g_mime_init(); });
}

// Invalid UTF-8 (a file name from another system) shown with replacement characters instead of
// being labelled as what it is not.
std::string ValidUtf8(std::string_view text) {
    std::unique_ptr<gchar, decltype(&g_free)> valid(
        g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())), &g_free);
    return valid.get();
}

void SetContent(GMimePart* part, GMimeStream* stream) {
    GObjectPtr<GMimeDataWrapper> content(
        g_mime_data_wrapper_new_with_stream(stream, GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(part, content.get());
}

GObjectPtr<GMimeObject> BodyPart(const std::string& text) {
    GObjectPtr<GMimePart> part(GMIME_PART(g_mime_text_part_new_with_subtype("plain")));
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(text.data(), text.size()));
    SetContent(part.get(), stream.get());
    g_mime_object_set_content_type_parameter(GMIME_OBJECT(part.get()), "charset", "utf-8");
    g_mime_part_set_content_encoding(part.get(), g_mime_part_get_best_content_encoding(
                                                     part.get(), GMIME_ENCODING_CONSTRAINT_7BIT));
    return GObjectPtr<GMimeObject>(GMIME_OBJECT(part.release()));
}

GObjectPtr<GMimeObject> RecordingPart(const std::string& path, MailResult& result) {
    UniqueFd file = OpenRegularFile(path, O_RDONLY | O_CLOEXEC);
    if (!file) {
        result = MailResult::Failure("The recording " + path +
                                     " cannot be read: " + std::strerror(errno) + ".");
        return nullptr;
    }
    GObjectPtr<GMimePart> part(g_mime_part_new_with_type("audio", "wav"));
    GObjectPtr<GMimeStream> stream(g_mime_stream_fs_new(file.Release()));
    SetContent(part.get(), stream.get());
    g_mime_part_set_content_encoding(part.get(), GMIME_CONTENT_ENCODING_BASE64);
    g_mime_part_set_filename(part.get(), ValidUtf8(FileNameOf(path)).c_str());
    return GObjectPtr<GMimeObject>(GMIME_OBJECT(part.release()));
}

}  // namespace

std::string RecordingMailBody(std::string_view message) {
    constexpr std::string_view format = kRecordingMailBody;
    const std::size_t slot = format.find("%s");
    return std::string(format.substr(0, slot))
        .append(message)
        .append(format.substr(slot + 2))
        .append(kRecordingMailPages);
}

MailResult WriteRecordingMail(const RecordingMail& mail, int fd) {
    StartGMime();
    GObjectPtr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
    g_mime_multipart_add(mixed.get(), BodyPart(ValidUtf8(RecordingMailBody(mail.message))).get());
    for (const std::string& path : mail.recordings) {
        MailResult result;
        GObjectPtr<GMimeObject> part = RecordingPart(path, result);
        if (!part) {
            return result;
        }
        g_mime_multipart_add(mixed.get(), part.get());
    }
    GObjectPtr<GMimeMessage> message(g_mime_message_new(TRUE));
    g_mime_message_set_subject(message.get(), kRecordingMailSubject, "utf-8");
    g_mime_object_set_header(GMIME_OBJECT(message.get()), "To", mail.address.c_str(), "utf-8");
    g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(mixed.get()));

    GObjectPtr<GMimeStream> out(g_mime_stream_fs_new(fd));
    g_mime_stream_fs_set_owner(GMIME_STREAM_FS(out.get()), FALSE);
    if (g_mime_object_write_to_stream(GMIME_OBJECT(message.get()), nullptr, out.get()) < 0 ||
        g_mime_stream_flush(out.get()) != 0) {
        return MailResult::Failure(std::string("The message cannot be written: ") +
                                   std::strerror(errno) + ".");
    }
    return {};
}
