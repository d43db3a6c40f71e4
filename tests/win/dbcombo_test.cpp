// The key-store combo on a plain dialog against the software token and a real key store: the
// entries and the preselection for each backup-key situation, the confirmed choice read from the
// store, failures of the token shown as warnings, and a key store that cannot be opened.
// ctest-lock: keystore keycache registry display
#include <cstring>

#include "include/zrpcdbcombo.h"
#include "tests/win/keystore_controls_testing.h"

namespace {

constexpr WORD kItem = 100;

class DBCombo : public kst::StoreTest {
  protected:
    void SetUp() override {
        kst::StoreTest::SetUp();
        ZRPCFUNC_ResetTokenInfoExCache();
    }
    void TearDown() override {
        ZRPCFUNC_ResetTokenInfoExCache();
        kst::StoreTest::TearDown();
    }
    // The store: the token's own key, both of its backup keys and two other parties.
    static void FillStore() {
        Add(0x5A5A0001, "Alice's Token");
        Add(0xB0000001, "Safe One");
        Add(0xB0000002, "Safe Two");
        Add(0x0C0C0001, "Bob");
        Add(0x0C0C0002, "Carol");
    }
    static std::vector<std::string> Entries(HWND combo) {
        std::vector<std::string> out;
        int n = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            char text[128] = "";
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            out.push_back(text);
        }
        return out;
    }
    static std::string Selected(HWND combo) {
        int at = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
        if (at < 0) return "<none selected>";
        char text[128] = "";
        SendMessageA(combo, CB_GETLBTEXT, at, reinterpret_cast<LPARAM>(text));
        return text;
    }
    kct::Tokens token;
};

using Strings = std::vector<std::string>;

TEST_F(DBCombo, EntriesAndPreselectionForEachBackupKeySituation) {
    FillStore();
    Add(0xB0000022, "Other Safe");
    struct Case {
        const char* what;
        unsigned long handle;
        _eChobKey key;
        Strings entries;
        const char* selected;
        BOOL valid;
        unsigned long serial;
    };
    const Case cases[] = {
        {"backup key 1 held and stored",
         1,
         eChobKey1,
         {"Safe One (B0000001)", "Safe Two (B0000002)", "Bob (0C0C0001)", "Carol (0C0C0002)",
          "Other Safe (B0000022)"},
         "Safe One (B0000001)",
         TRUE,
         0xB0000001},
        {"backup key 2 held and stored",
         1,
         eChobKey2,
         {"Safe One (B0000001)", "Safe Two (B0000002)", "Bob (0C0C0001)", "Carol (0C0C0002)",
          "Other Safe (B0000022)"},
         "Safe Two (B0000002)",
         TRUE,
         0xB0000002},
        {"no backup key 1",
         2,
         eChobKey1,
         {"(none)", "Alice's Token (5A5A0001)", "Safe One (B0000001)", "Safe Two (B0000002)",
          "Bob (0C0C0001)", "Carol (0C0C0002)", "Other Safe (B0000022)"},
         "(none)",
         FALSE,
         0},
        {"backup key 2 only",
         3,
         eChobKey2,
         {"Alice's Token (5A5A0001)", "Safe One (B0000001)", "Safe Two (B0000002)", "Bob (0C0C0001)",
          "Carol (0C0C0002)", "Other Safe (B0000022)"},
         "Other Safe (B0000022)",
         TRUE,
         0xB0000022},
        {"no backup key 1 on the half token",
         3,
         eChobKey1,
         {"(none)", "Alice's Token (5A5A0001)", "Safe One (B0000001)", "Safe Two (B0000002)",
          "Bob (0C0C0001)", "Carol (0C0C0002)", "Other Safe (B0000022)"},
         "(none)",
         FALSE,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ZRPCFUNC_ResetTokenInfoExCache();
        kct::HostDialog dialog(L"COMBOBOX", kItem, CBS_DROPDOWNLIST | WS_VSCROLL, 160, 120);
        CDBVortalComboCtrl combo;
        ASSERT_TRUE(combo.SubclassDlgItem(kItem, dialog.Handle()));
        EXPECT_EQ(combo.InitControl(&token, c.handle, c.key), 0u);
        EXPECT_TRUE(combo.IsControlInitialised());
        EXPECT_EQ(Entries(dialog.Item()), c.entries);
        EXPECT_EQ(Selected(dialog.Item()), c.selected);
        EXPECT_EQ(combo.IsSelectionValid(), c.valid);
        if (c.valid) {
            _tNewTransferPacket stored = kst::PublicKeyPacket(c.serial, "x");
            const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&stored);
            EXPECT_EQ(combo.m_selectedSerial, c.serial);
            unsigned long value;
            std::memcpy(&value, bytes + 200, 4);
            EXPECT_EQ(combo.m_selectedValue, value);
            EXPECT_EQ(std::memcmp(combo.m_selectedKeyData, bytes + 204, 128), 0);
        }
        // The item data of every entry is its serial; "(none)" carries 0.
        int n = static_cast<int>(SendMessageA(dialog.Item(), CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            unsigned long data =
                static_cast<unsigned long>(SendMessageA(dialog.Item(), CB_GETITEMDATA, i, 0));
            std::string text = Entries(dialog.Item())[i];
            if (text == "(none)")
                EXPECT_EQ(data, 0u);
            else
                EXPECT_NE(text.find(([&] {
                    char hex[16];
                    snprintf(hex, sizeof hex, "(%08lX)", data);
                    return std::string(hex);
                })()),
                          std::string::npos)
                    << text;
        }
        // A refresh builds the same list again.
        EXPECT_TRUE(combo.Refresh());
        EXPECT_EQ(Entries(dialog.Item()), c.entries);
        EXPECT_EQ(Selected(dialog.Item()), c.selected);
    }
}

TEST_F(DBCombo, BackupKeyTheStoreDoesNotHoldIsUnknownAtTheEndEvenInASortedList) {
    Add(0x0C0C0002, "Carol");
    Add(0x0C0C0001, "Bob");
    kct::HostDialog dialog(L"COMBOBOX", kItem, CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL, 160, 120);
    CDBVortalComboCtrl combo;
    ASSERT_TRUE(combo.SubclassDlgItem(kItem, dialog.Handle()));
    EXPECT_EQ(combo.InitControl(&token, 1, eChobKey2), 0u);
    EXPECT_EQ(Entries(dialog.Item()), (Strings{"Bob (0C0C0001)", "Carol (0C0C0002)", "Unknown (B0000002)"}));
    EXPECT_EQ(Selected(dialog.Item()), "Unknown (B0000002)");
    EXPECT_FALSE(combo.IsSelectionValid());
    EXPECT_EQ(SendMessageA(dialog.Item(), CB_GETITEMDATA, 2, 0), 0xB0000002);
}

// A token that holds backup key 1 but gives its packet no serial: the key is unknown to the store,
// so it is the "Unknown" entry at the end, chosen and not valid; the list is complete and refreshes.
TEST_F(DBCombo, BackupKeyWithoutSerialIsAnUnknownEntryAndTheListStaysUsable) {
    FillStore();
    token.zeroSerialHandle = 1;
    kct::HostDialog dialog(L"COMBOBOX", kItem, CBS_DROPDOWNLIST | WS_VSCROLL, 160, 120);
    CDBVortalComboCtrl combo;
    ASSERT_TRUE(combo.SubclassDlgItem(kItem, dialog.Handle()));
    std::vector<zt::SeenBox> seen;
    {
        zt::BoxAnswerer boxes(IDOK);
        EXPECT_EQ(combo.InitControl(&token, 1, eChobKey1), 0u);
        seen = boxes.Seen();
    }
    EXPECT_TRUE(seen.empty()) << "the token answered: no failure to show";
    const Strings entries{"Safe One (B0000001)", "Safe Two (B0000002)", "Bob (0C0C0001)", "Carol (0C0C0002)",
                          "Unknown (00000000)"};
    EXPECT_TRUE(combo.IsControlInitialised());
    EXPECT_EQ(Entries(dialog.Item()), entries);
    EXPECT_EQ(Selected(dialog.Item()), "Unknown (00000000)");
    EXPECT_FALSE(combo.IsSelectionValid());
    EXPECT_EQ(SendMessageA(dialog.Item(), CB_GETITEMDATA, 4, 0), 0);
    EXPECT_TRUE(combo.Refresh());
    EXPECT_EQ(Entries(dialog.Item()), entries);

    // The token gives the serial again: the refresh preselects the stored key.
    token.zeroSerialHandle = 0;
    EXPECT_TRUE(combo.Refresh());
    EXPECT_EQ(Selected(dialog.Item()), "Safe One (B0000001)");
    EXPECT_TRUE(combo.IsSelectionValid());
}

TEST_F(DBCombo, ConfirmedChoiceByKeyboardReadsTheKeyAndNoneMakesItInvalid) {
    FillStore();
    kct::HostDialog dialog(L"COMBOBOX", kItem, CBS_DROPDOWNLIST | WS_VSCROLL, 160, 120);
    CDBVortalComboCtrl combo;
    ASSERT_TRUE(combo.SubclassDlgItem(kItem, dialog.Handle()));
    ASSERT_EQ(combo.InitControl(&token, 2, eChobKey1), 0u);
    ASSERT_EQ(Selected(dialog.Item()), "(none)");
    EXPECT_FALSE(combo.IsSelectionValid());

    SetForegroundWindow(dialog.Handle());
    SetFocus(dialog.Item());
    zt::Pump(50);
    auto choose = [&](int down) {
        dialog.seen.clear();
        zt::PressKey(VK_F4); // drop the list down
        zt::Pump(50);
        for (int i = 0; i < down; ++i)
            zt::PressKey(down > 0 ? VK_DOWN : VK_UP);
        zt::PressKey(VK_RETURN);
        zt::WaitUntil([&] {
            for (auto& s : dialog.seen)
                if (s.msg == WM_COMMAND && HIWORD(s.wp) == CBN_SELENDOK) return true;
            return false;
        });
    };
    choose(3); // (none) -> Alice's Token -> Safe One -> Safe Two
    EXPECT_EQ(Selected(dialog.Item()), "Safe Two (B0000002)");
    EXPECT_TRUE(combo.IsSelectionValid());
    EXPECT_EQ(combo.m_selectedSerial, 0xB0000002u);
    bool dialogSawIt = false;
    for (auto& s : dialog.seen)
        dialogSawIt |= s.msg == WM_COMMAND && HIWORD(s.wp) == CBN_SELENDOK && LOWORD(s.wp) == kItem;
    EXPECT_TRUE(dialogSawIt) << "the dialog still receives the notification";

    // Back to "(none)": no valid selection, the last key's data stay as they were.
    dialog.seen.clear();
    zt::PressKey(VK_F4);
    zt::Pump(50);
    zt::PressKey(VK_HOME);
    zt::PressKey(VK_RETURN);
    zt::WaitUntil([&] { return !combo.IsSelectionValid(); });
    EXPECT_EQ(Selected(dialog.Item()), "(none)");
    EXPECT_FALSE(combo.IsSelectionValid());
    EXPECT_EQ(combo.m_selectedSerial, 0xB0000002u);
}

TEST_F(DBCombo, KeyStoreThatCannotBeOpenedLeavesOnlyTheTokensEntry) {
    // No store file at all.
    struct Case {
        unsigned long handle;
        _eChobKey key;
        Strings entries;
    };
    for (const Case& c : {Case{1, eChobKey1, {"Unknown (B0000001)"}}, Case{2, eChobKey2, {"(none)"}}}) {
        ZRPCFUNC_ResetTokenInfoExCache();
        kct::HostDialog dialog(L"COMBOBOX", kItem, CBS_DROPDOWNLIST, 160, 120);
        CDBVortalComboCtrl combo;
        ASSERT_TRUE(combo.SubclassDlgItem(kItem, dialog.Handle()));
        zt::BoxAnswerer boxes(IDOK);
        EXPECT_EQ(combo.InitControl(&token, c.handle, c.key), 0u);
        EXPECT_EQ(Entries(dialog.Item()), c.entries);
        EXPECT_EQ(Selected(dialog.Item()), c.entries[0]);
        EXPECT_FALSE(combo.IsControlInitialised());
        EXPECT_FALSE(combo.IsSelectionValid());
        EXPECT_FALSE(combo.Refresh());
        EXPECT_TRUE(boxes.Seen().empty()) << "no message for a missing key store";
    }
}

TEST_F(DBCombo, TokenFailuresAreShownAsWarningsAndReturned) {
    FillStore();
    struct Case {
        const char* what;
        int place;
        const char* activity;
    };
    for (const Case& c :
         {Case{"token information", ZRPC_PLACE_GET_INFO_EX, "adding the public key to the key store"},
          Case{"backup key packet", ZRPC_PLACE_MAKE_PACKET, "getting backup key 2 from the token"}}) {
        SCOPED_TRACE(c.what);
        ZRPCFUNC_ResetTokenInfoExCache();
        token.FailPlace(c.place, 31);
        kct::HostDialog dialog(L"COMBOBOX", kItem, CBS_DROPDOWNLIST, 160, 120);
        CDBVortalComboCtrl combo;
        ASSERT_TRUE(combo.SubclassDlgItem(kItem, dialog.Handle()));
        unsigned long rc = 0;
        std::vector<zt::SeenBox> seen;
        {
            zt::BoxAnswerer boxes(IDOK);
            rc = combo.InitControl(&token, 1, eChobKey2);
            seen = boxes.Seen();
        }
        token.FailPlace(c.place, 0);
        EXPECT_EQ(rc, 31u);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_NE(seen[0].text.find(c.activity), std::string::npos) << seen[0].text;
        EXPECT_FALSE(combo.IsControlInitialised());
        EXPECT_EQ(SendMessageA(dialog.Item(), CB_GETCOUNT, 0, 0), 0);
    }
}

} // namespace
