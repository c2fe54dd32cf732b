#include "RefServerControl.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

TEST(RefServerControl, FilesRulesAndTheRequestRecord) {
    ASSERT_FALSE(TestServerBase().empty()) << "run through scripts/wine-test.sh";
    ASSERT_TRUE(ResetServer());
    EXPECT_EQ(PutServedFile("sub/dir/a.txt", std::string("abc")), TestServerUrl("/sub/dir/a.txt"));
    EXPECT_TRUE(FileExists(ServedFilePath("sub/dir/a.txt")));
    EXPECT_EQ(ReadFileText(TestServerRoot() + "sub\\dir\\a.txt"), "abc");

    EXPECT_FALSE(SetServerRule("path=/sub/dir/a.txt&no_such_option=1"));
    ASSERT_TRUE(SetServerRule("path=/sub/dir/a.txt&status=503&count=1"));
    std::string strBody;
    EXPECT_FALSE(ServerGet("/sub/dir/a.txt?try=1", strBody));
    EXPECT_TRUE(ServerGet("/sub/dir/a.txt?try=2", strBody));
    EXPECT_EQ(strBody, "abc");
    ASSERT_TRUE(SetServerRule("path=/sub/dir/a.txt&status=404"));
    EXPECT_FALSE(ServerGet("/sub/dir/a.txt", strBody));
    ASSERT_TRUE(ClearServerRules("/sub/dir/a.txt"));
    EXPECT_TRUE(ServerGet("/sub/dir/a.txt", strBody));
    EXPECT_FALSE(ServerGet("/other", strBody));

    std::vector<std::string> expected{"GET /sub/dir/a.txt?try=1", "GET /sub/dir/a.txt?try=2",
                                      "GET /sub/dir/a.txt", "GET /sub/dir/a.txt", "GET /other"};
    EXPECT_EQ(ServerRequests(), expected);
    EXPECT_EQ(ServerRequests("/other"), std::vector<std::string>{"GET /other"});
    EXPECT_GE(ServerConnectionCount(), 1);
    ASSERT_TRUE(ResetServer());
    EXPECT_TRUE(ServerRequests().empty());
}
