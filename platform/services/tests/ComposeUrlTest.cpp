#include "platform/services/ComposeUrl.h"

#include <gtest/gtest.h>

#include "platform/base/PercentEncoding.h"

namespace platform::services {
namespace {

TEST(ComposeUrlTest, MailFieldsAreEscapedSoTheMailProgramGetsExactlyThem) {
    MailFields mail;
    mail.to = {"ads@example.com"};
    mail.cc = {"a@example.com", "b,c@example.com"};
    mail.bcc = {"", "hidden+tag@example.com"};
    mail.subject = "Hello & welcome?";
    mail.body = "line one\nline two\r\nand 100% done";
    EXPECT_EQ(mailtoUrl(mail),
              "mailto:ads@example.com?cc=a@example.com,b%2Cc@example.com"
              "&bcc=hidden%2Btag@example.com&subject=Hello%20%26%20welcome%3F"
              "&body=line%20one%0D%0Aline%20two%0D%0Aand%20100%25%20done");
    // What a mail program decodes is what was given (bodies with CRLF line ends).
    EXPECT_EQ(percentDecode("Hello%20%26%20welcome%3F"), mail.subject);

    // Nothing but a subject; nothing at all.
    EXPECT_EQ(mailtoUrl({{}, {}, {}, "Hi", ""}), "mailto:?subject=Hi");
    EXPECT_EQ(mailtoUrl({}), "mailto:");
    // Text that would end the URL or add a field cannot.
    EXPECT_EQ(mailtoUrl({{"a@x.com?bcc=spy@x.com"}, {}, {}, "", ""}),
              "mailto:a@x.com%3Fbcc%3Dspy@x.com");
}

TEST(ComposeUrlTest, TextMessagesKeepInternationalNumbers) {
    EXPECT_EQ(smsUrl({{"+15105550101", "+15105550102"}, "hello there"}),
              "sms:+15105550101,+15105550102?body=hello%20there");
    EXPECT_EQ(smsUrl({{"555 0101"}, ""}), "sms:555%200101");
    EXPECT_EQ(smsUrl({{}, "just text"}), "sms:?body=just%20text");
}

}  // namespace
}  // namespace platform::services
