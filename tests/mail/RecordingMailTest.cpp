// The recordings' message, parsed back with GMime: headers, the body, the attachments in order.
#include "mail/RecordingMail.h"

#include <gmime/gmime.h>

#include <algorithm>

#include "MailTestFolder.h"
#include "base/PosixFile.h"
#include "mail/GObjectPtr.h"

namespace {

class RecordingMailTest : public MailTestFolder {
protected:
    // The message in `file` as GMime parses it.
    static GObjectPtr<GMimeMessage> Parse(const std::string& file) {
        GObjectPtr<GMimeStream> stream(g_mime_stream_fs_open(file.c_str(), O_RDONLY, 0, nullptr));
        GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
        return GObjectPtr<GMimeMessage>(g_mime_parser_construct_message(parser.get(), nullptr));
    }

    // The decoded content of `part`.
    static std::string Content(GMimeObject* part) {
        GObjectPtr<GMimeStream> out(g_mime_stream_mem_new());
        g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(GMIME_PART(part)), out.get());
        GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
        return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
    }
};

TEST_F(RecordingMailTest, ParsedBackItHasTheHeadersTheUsersTextAsBodyAndEachRecordingInOrder) {
    struct Recording {
        std::string name;
        std::string shown;  // as the attachment's file name
        std::string content;
    } recordings[] = {
        {"2026-12-05 14-03-22 5551234.wav", "2026-12-05 14-03-22 5551234.wav",
         std::string("RIFF\0\1\2\3\xff", 9)},
        {"2026-12-06 09-00-00 Zo\xc3\xab \xe2\x98\x8e.wav",
         "2026-12-06 09-00-00 Zo\xc3\xab \xe2\x98\x8e.wav", std::string(3000, '\x80')},
        {"Caller \xff.wav", "Caller \xef\xbf\xbd.wav", "RIFF"},  // not UTF-8: shown readably
    };
    RecordingMail mail{"alice@example.org",
                       "Call me back.\r\nBcc: eve@example.org\nSubject: Zo\xc3\xab's call\n",
                       {}};
    for (const Recording& recording : recordings) {
        mail.recordings.push_back(dir / recording.name);
        WriteFile(mail.recordings.back(), recording.content);
    }
    const std::string file = dir / "mail.eml";
    UniqueFd out = OpenRegularFile(file, O_WRONLY | O_CREAT, 0600);
    MailResult result = WriteRecordingMail(mail, out.Get());
    ASSERT_TRUE(result.ok) << result.error;

    GObjectPtr<GMimeMessage> message = Parse(file);
    ASSERT_TRUE(message);
    EXPECT_STREQ(g_mime_message_get_subject(message.get()), kRecordingMailSubject);
    auto addresses = [&](GMimeAddressType type) {
        std::unique_ptr<char, decltype(&g_free)> text(
            internet_address_list_to_string(g_mime_message_get_addresses(message.get(), type),
                                            nullptr, FALSE),
            &g_free);
        return std::string(text ? text.get() : "");
    };
    EXPECT_EQ(addresses(GMIME_ADDRESS_TYPE_TO), "alice@example.org");
    EXPECT_EQ(addresses(GMIME_ADDRESS_TYPE_BCC), "");   // the message's line stays in the body
    EXPECT_EQ(addresses(GMIME_ADDRESS_TYPE_FROM), "");  // the mail program's to set

    GMimeObject* top = g_mime_message_get_mime_part(message.get());
    ASSERT_TRUE(GMIME_IS_MULTIPART(top));
    GMimeMultipart* mixed = GMIME_MULTIPART(top);
    ASSERT_EQ(g_mime_multipart_get_count(mixed), 1 + static_cast<int>(std::size(recordings)));
    GMimeObject* body = g_mime_multipart_get_part(mixed, 0);
    EXPECT_TRUE(g_mime_content_type_is_type(g_mime_object_get_content_type(body), "text", "plain"));
    EXPECT_STREQ(g_mime_object_get_content_type_parameter(body, "charset"), "utf-8");
    // Written with the sendmail interface's line ends.
    std::string text = RecordingMailBody(mail.message);
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    EXPECT_EQ(Content(body), text);
    for (int i = 0; i < static_cast<int>(std::size(recordings)); ++i) {
        GMimeObject* part = g_mime_multipart_get_part(mixed, i + 1);
        EXPECT_TRUE(
            g_mime_content_type_is_type(g_mime_object_get_content_type(part), "audio", "wav"));
        EXPECT_EQ(g_mime_part_get_filename(GMIME_PART(part)), recordings[i].shown);
        EXPECT_EQ(Content(part), recordings[i].content) << i;
    }

    // A recording that cannot be read: nothing written, and the error names it.
    const std::string written = ReadFile(file);
    mail.recordings.push_back(dir / "gone.wav");
    result = WriteRecordingMail(mail, out.Get());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(ReadFile(file), written);
    EXPECT_NE(result.error.find(dir / "gone.wav"), std::string::npos);
}

}  // namespace
