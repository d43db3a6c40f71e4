// The front end's state through its window (a stand-in window in a thread of this test), the caller's
// rights, and the deletability of protected folders through the key-access service stand-in,
// registered here as a local COM server.
// ctest-lock: frontend display
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "standins/frontend/frontendstandin.h"
#include "standins/keyaccess/keyaccessstandin.h"
#include "tests/win/support/testsupport.h"
#include "zrpcfunc.h"

namespace {

TEST(FrontEnd, AbsentFrontEndAnswersZero) {
    HWND window = reinterpret_cast<HWND>(0x1234);
    EXPECT_FALSE(ZRPCFUNC_IsFrontEndRunning(&window));
    EXPECT_EQ(reinterpret_cast<HWND>(0x1234), window);
    EXPECT_EQ(0, ZRPCFUNC_IsFrontEndBusy());
    EXPECT_EQ(0, ZRPCFUNC_IsFrontEndEnabled());
    EXPECT_EQ(0, ZRPCFUNC_IsMasterActive());
}

TEST(FrontEnd, ClassAndTitleMustBothMatch) {
    struct Case {
        const char *cls, *title;
    } cases[] = {{"CorvanePlusClass", "Corvane"}, {"CorvanePlusClass2", "Corvane+"}, {"Static", "Corvane+"}};
    for (const Case& c : cases) {
        FrontEndStandIn other(c.cls, c.title);
        ASSERT_NE(nullptr, other.Window());
        other.SetReply(FrontEndStandIn::kMasterActive, 5);
        EXPECT_FALSE(ZRPCFUNC_IsFrontEndRunning(nullptr)) << c.cls << " / " << c.title;
        EXPECT_EQ(0, ZRPCFUNC_IsMasterActive());
        EXPECT_EQ(0, other.Count(FrontEndStandIn::kMasterActive));
    }
}

TEST(FrontEnd, RepliesArePassedOnUnchanged) {
    FrontEndStandIn frontEnd;
    ASSERT_NE(nullptr, frontEnd.Window());
    HWND window = nullptr;
    EXPECT_TRUE(ZRPCFUNC_IsFrontEndRunning(&window));
    EXPECT_EQ(frontEnd.Window(), window);
    EXPECT_TRUE(ZRPCFUNC_IsFrontEndRunning(nullptr));

    frontEnd.SetReply(FrontEndStandIn::kMasterActive, 5);
    EXPECT_EQ(5, ZRPCFUNC_IsMasterActive());
    frontEnd.SetReply(FrontEndStandIn::kBusy, 7);
    EXPECT_EQ(7, ZRPCFUNC_IsFrontEndBusy());
    frontEnd.SetReply(FrontEndStandIn::kBusy, 0);
    frontEnd.SetReply(FrontEndStandIn::kEnabled, 9);
    EXPECT_EQ(9, ZRPCFUNC_IsFrontEndEnabled());
    EXPECT_EQ(1, frontEnd.Count(FrontEndStandIn::kEnabled));
    EXPECT_EQ(0, frontEnd.BadCalls()) << "both message parameters are zero";
}

TEST(FrontEnd, BusyFrontEndIsNotEnabledAndIsNotAsked) {
    FrontEndStandIn frontEnd;
    frontEnd.SetReply(FrontEndStandIn::kBusy, 1);
    frontEnd.SetReply(FrontEndStandIn::kEnabled, 1);
    EXPECT_EQ(0, ZRPCFUNC_IsFrontEndEnabled());
    EXPECT_EQ(1, frontEnd.Count(FrontEndStandIn::kBusy));
    EXPECT_EQ(0, frontEnd.Count(FrontEndStandIn::kEnabled));
}

TEST(ProcessRights, AdministratorsGroupOfTheProcessToken) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                         0, 0, 0, 0, &administrators));
    BOOL member = FALSE;
    ASSERT_TRUE(CheckTokenMembership(nullptr, administrators, &member));
    FreeSid(administrators);
    EXPECT_TRUE(member) << "Wine's user is an administrator";
    EXPECT_EQ(member != FALSE, ZRPCFUNC_IsNTAdministrator() != FALSE);
}

// Deletability: COM is initialised as a single-threaded apartment on the test thread, so that the
// service stand-in registered here is what the library creates as a local server.
class FolderDeleteable : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        dir = zt::MakeTempDir("deleteable");
        for (int i = 0; i < 127; ++i)
            record += (char)(0x30 + i);
        ASSERT_TRUE(zt::WriteFile(dir + "\\vktpdir.info", record));
    }
    void TearDown() override {
        service.Revoke();
        EXPECT_EQ(0, service.LiveObjects()) << "every interface pointer released";
        EXPECT_EQ(0, service.WrongEntriesCalled());
        zt::RemoveTree(dir);
        CoUninitialize();
    }
    std::string dir, record;
    KeyAccessStandIn service;
};

TEST_F(FolderDeleteable, UnprotectedFolderNeedsNobody) {
    std::string plain = zt::MakeTempDir("plain");
    EXPECT_EQ(1, ZRPCFUNC_IsFolderDeleteable(plain.c_str()));
    zt::RemoveTree(plain);
    EXPECT_EQ(0, ZRPCFUNC_IsFolderDeleteable(nullptr));
}

TEST_F(FolderDeleteable, ProtectedFolderWithoutFrontEndIsNot) {
    ASSERT_TRUE(SUCCEEDED(service.Register()));
    EXPECT_EQ(0, ZRPCFUNC_IsFolderDeleteable(dir.c_str()));
    EXPECT_EQ(0, service.Calls());
}

TEST_F(FolderDeleteable, MissingServiceOrInterfaceIsNot) {
    FrontEndStandIn frontEnd;
    frontEnd.SetReply(FrontEndStandIn::kKeyService, 0x1234);
    frontEnd.SetReply(FrontEndStandIn::kDeletePermitted, 1);
    EXPECT_EQ(0, ZRPCFUNC_IsFolderDeleteable(dir.c_str())) << "service not registered";
    ASSERT_TRUE(SUCCEEDED(service.Register()));
    service.SetOfferInterface(false);
    EXPECT_EQ(0, ZRPCFUNC_IsFolderDeleteable(dir.c_str())) << "interface not offered";
    EXPECT_EQ(1, service.ObjectsCreated());
    EXPECT_EQ(0, service.Calls());
    EXPECT_EQ(0, frontEnd.Count(FrontEndStandIn::kKeyService))
        << "the value is asked only with the service at hand";
}

TEST_F(FolderDeleteable, FrontEndWithoutValueIsNot) {
    FrontEndStandIn frontEnd;
    frontEnd.SetReply(FrontEndStandIn::kKeyService, 0);
    frontEnd.SetReply(FrontEndStandIn::kDeletePermitted, 1);
    ASSERT_TRUE(SUCCEEDED(service.Register()));
    EXPECT_EQ(0, ZRPCFUNC_IsFolderDeleteable(dir.c_str()));
    EXPECT_EQ(1, frontEnd.Count(FrontEndStandIn::kKeyService));
    EXPECT_EQ(0, service.Calls());
}

TEST_F(FolderDeleteable, ServiceDecidesWithTheValueAndTheRecord) {
    FrontEndStandIn frontEnd;
    frontEnd.SetReply(FrontEndStandIn::kKeyService, 0x1234ABCD);
    ASSERT_TRUE(SUCCEEDED(service.Register()));
    struct Case {
        unsigned long answer;
        BOOL expected;
    } cases[] = {{5, 0}, {0xFFFFFFFF, 0}, {0, 1}};
    for (const Case& c : cases) {
        service.SetAnswer(c.answer);
        int before = service.Calls();
        // Wine's user is an administrator: an agreeing service is enough.
        EXPECT_EQ(c.expected, ZRPCFUNC_IsFolderDeleteable(dir.c_str())) << c.answer;
        EXPECT_EQ(before + 1, service.Calls());
        EXPECT_EQ(0x1234ABCDu, service.LastValue());
        std::vector<unsigned char> seen = service.LastRecord();
        EXPECT_EQ(record.substr(4), std::string(seen.begin(), seen.end()))
            << "the marker record from its byte 4 on";
    }
    EXPECT_EQ(0, frontEnd.BadCalls());
    // An administrator needs neither the master nor the front end's permission.
    EXPECT_EQ(0, frontEnd.Count(FrontEndStandIn::kMasterActive));
    EXPECT_EQ(0, frontEnd.Count(FrontEndStandIn::kDeletePermitted));
}

TEST_F(FolderDeleteable, ShortMarkerIsHandedOverZeroed) {
    ASSERT_TRUE(zt::WriteFile(dir + "\\vktpdir.info", "short"));
    FrontEndStandIn frontEnd;
    frontEnd.SetReply(FrontEndStandIn::kKeyService, 1);
    ASSERT_TRUE(SUCCEEDED(service.Register()));
    EXPECT_EQ(1, ZRPCFUNC_IsFolderDeleteable(dir.c_str()));
    std::vector<unsigned char> seen = service.LastRecord();
    EXPECT_EQ(std::string(123, '\0'), std::string(seen.begin(), seen.end()));
}

TEST_F(FolderDeleteable, ComStaysInitialisedForTheCaller) {
    FrontEndStandIn frontEnd;
    frontEnd.SetReply(FrontEndStandIn::kKeyService, 1);
    ASSERT_TRUE(SUCCEEDED(service.Register()));
    EXPECT_EQ(1, ZRPCFUNC_IsFolderDeleteable(dir.c_str()));
    // The library's own initialisation was undone, the caller's remains: a second call still works.
    EXPECT_EQ(1, ZRPCFUNC_IsFolderDeleteable(dir.c_str()));
    EXPECT_EQ(S_FALSE, CoInitialize(nullptr));
    CoUninitialize();
}

} // namespace
