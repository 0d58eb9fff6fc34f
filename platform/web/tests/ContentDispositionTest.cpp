#include "platform/web/ContentDisposition.h"

#include <gtest/gtest.h>

using platform::web::isAttachmentDisposition;

TEST(ContentDispositionTest, AnAttachmentIsKnownByItsTypeAloneWhateverItsParameters) {
    for (const char* value :
         {"attachment", "ATTACHMENT", " Attachment ;", "attachment; filename=\"evil.desktop\"",
          "attachment;filename*=UTF-8''%e2%82%ac.txt", "attachment; filename=\"unclosed",
          "\tattachment\t; ;;"}) {
        EXPECT_TRUE(isAttachmentDisposition(value)) << value;
    }
    for (const char* value : {"", "inline", "inline; filename=\"attachment\"", "attachments",
                              "attach ment", "filename=attachment", "\"attachment\"",
                              "attachment\xc2\xa0", "form-data; name=attachment"}) {
        EXPECT_FALSE(isAttachmentDisposition(value)) << value;
    }
}
