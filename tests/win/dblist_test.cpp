// The key-store list on a plain dialog against the software token and a real key store: rows and
// their states for each list flag, check boxes toggled by real clicks and the space bar with the
// registered message as the dialog receives it, single choice, the checks remembered in the registry,
// in-place editing of comments and e-mail addresses written back to the key store, failures, and the
// caller's own connection to the store, which the list and the combo leave as they found it.
// ctest-lock: keystore keycache registry display
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "include/zrpcdbcombo.h"
#include "include/zrpcdblist.h"
#include "base/palette.h"
#include "tests/win/keystore_controls_testing.h"

namespace {

constexpr WORD kItem = 100;
const char kSettingsKey[] = "Software\\Quillon Limited\\Corvane+\\Settings";

struct Row {
    std::string name;
    std::string serial;
    std::string third;
    int check;
    BOOL enabled;
    bool operator==(const Row& o) const {
        return name == o.name && serial == o.serial && third == o.third && check == o.check &&
               enabled == o.enabled;
    }
};
std::ostream& operator<<(std::ostream& os, const Row& r) {
    return os << "{" << r.name << ", " << r.serial << ", " << r.third << ", " << r.check << ", " << r.enabled
              << "}";
}
using Rows = std::vector<Row>;

class DBList : public kst::StoreTest {
  protected:
    void SetUp() override {
        kst::StoreTest::SetUp();
        ZRPCFUNC_ResetTokenInfoExCache();
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        RegDeleteValueA(key, "5A5A0001");
        RegCloseKey(key);
    }
    void TearDown() override {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "5A5A0001");
            RegCloseKey(key);
        }
        ZRPCFUNC_ResetTokenInfoExCache();
        kst::StoreTest::TearDown();
    }
    // The store: the token's own key, its backup key 2 (backup key 1 is unknown to it), three others.
    static void FillStore() {
        Add(0x5A5A0001, "Alice's Token");
        Add(0xB0000002, "Safe Two");
        Add(0x0C0C0001, "Bob");
        Add(0x0C0C0002, "Carol");
        Add(0x0C0C0003, "Dave");
        char bob[] = "bob@example.org", carol[] = "Carol's comment";
        ASSERT_EQ(ZRPCFUNC_DB_SetEmailAddress(0x0C0C0001, bob), 0u);
        ASSERT_EQ(ZRPCFUNC_DB_SetComments(0x0C0C0002, carol), 0u);
    }
    static std::string Text(HWND list, int row, int column) { return kct::CellText(list, row, column); }
    static Rows Contents(CDBVortalListCtrl& list, HWND hwnd) {
        Rows rows;
        int n = static_cast<int>(SendMessageA(hwnd, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < n; ++i)
            rows.push_back({Text(hwnd, i, 0), Text(hwnd, i, 1), list.GetColumns() > 2 ? Text(hwnd, i, 2) : "",
                            list.GetCheckbox(i, 0), list.GetEnabled(i)});
        return rows;
    }
    static POINT CellCentre(CDBVortalListCtrl& list, int row, int column) {
        RECT r;
        EXPECT_TRUE(list.GetSubItemRect(row, column, LVIR_BOUNDS, r));
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    std::unique_ptr<kct::HostDialog> MakeDialog() {
        auto d = std::make_unique<kct::HostDialog>(
            L"SysListView32", kItem, LVS_REPORT | LVS_EDITLABELS | LVS_SHOWSELALWAYS | WS_BORDER, 260, 140);
        d->watch = CDBVortalListCtrl::CheckboxMessage();
        SetForegroundWindow(d->Handle());
        return d;
    }
    static std::vector<std::pair<int, int>> Toggles(const kct::HostDialog& d) {
        std::vector<std::pair<int, int>> out;
        for (auto& s : d.seen)
            if (s.msg == d.watch) out.push_back({static_cast<int>(s.wp), static_cast<int>(s.lp)});
        return out;
    }
    kct::Tokens token;
};

TEST_F(DBList, RowsAndStatesForEachFlagCombination) {
    FillStore();
    const Row own{"Alice's Token", "5A5A0001", "", 1, FALSE};
    const Row b1{"Backup Key 1", "B0000001", "", 1, FALSE};
    const Row b2{"Safe Two", "B0000002", "", 1, FALSE};
    struct Case {
        const char* what;
        unsigned long handle;
        unsigned long flags;
        int ownOnly;
        int columns;
        Rows rows;
    };
    const Case cases[] = {
        {"token and store keys",
         1,
         0x03,
         0,
         2,
         {own,
          b1,
          b2,
          {"Bob", "0C0C0001", "", 0, TRUE},
          {"Carol", "0C0C0002", "", 0, TRUE},
          {"Dave", "0C0C0003", "", 0, TRUE}}},
        {"own key only, even with store keys", 1, 0x03, 1, 2, {own}},
        {"token rows left out, their serials still are",
         1,
         0x07,
         0,
         2,
         {{"Bob", "0C0C0001", "", 0, TRUE},
          {"Carol", "0C0C0002", "", 0, TRUE},
          {"Dave", "0C0C0003", "", 0, TRUE}}},
        {"comments",
         1,
         0x0F,
         0,
         3,
         {{"Bob", "0C0C0001", "", 0, TRUE},
          {"Carol", "0C0C0002", "Carol's comment", 0, TRUE},
          {"Dave", "0C0C0003", "", 0, TRUE}}},
        {"e-mail addresses",
         1,
         0x17,
         0,
         3,
         {{"Bob", "0C0C0001", "bob@example.org", 0, TRUE},
          {"Carol", "0C0C0002", "", 0, TRUE},
          {"Dave", "0C0C0003", "", 0, TRUE}}},
        {"a token without backup keys lists the others' keys",
         2,
         0x03,
         0,
         2,
         {{"Bare Token", "5A5A0002", "", 1, FALSE},
          {"Alice's Token", "5A5A0001", "", 0, TRUE},
          {"Safe Two", "B0000002", "", 0, TRUE},
          {"Bob", "0C0C0001", "", 0, TRUE},
          {"Carol", "0C0C0002", "", 0, TRUE},
          {"Dave", "0C0C0003", "", 0, TRUE}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ZRPCFUNC_ResetTokenInfoExCache();
        auto dialog = MakeDialog();
        CDBVortalListCtrl list;
        ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
        EXPECT_EQ(list.InitControl(&token, c.handle, c.flags, c.ownOnly), 0u);
        EXPECT_EQ(list.GetColumns(), c.columns);
        EXPECT_EQ(Contents(list, dialog->Item()), c.rows);
        // Refresh builds the same rows again.
        EXPECT_TRUE(list.Refresh());
        EXPECT_EQ(Contents(list, dialog->Item()), c.rows);
    }
}

TEST_F(DBList, BothNoteColumnsEachShowAndEditTheirOwnText) {
    FillStore();
    auto dialog = MakeDialog();
    CDBVortalListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
    ASSERT_EQ(list.InitControl(&token, 1, 0x1F, 0), 0u);
    ASSERT_EQ(list.GetColumns(), 4);
    HWND header = reinterpret_cast<HWND>(SendMessageA(dialog->Item(), LVM_GETHEADER, 0, 0));
    char name[32] = "";
    HDITEMA hd = {};
    hd.mask = HDI_TEXT;
    hd.pszText = name;
    hd.cchTextMax = sizeof name;
    SendMessageA(header, HDM_GETITEMA, 2, reinterpret_cast<LPARAM>(&hd));
    EXPECT_STREQ(name, "EMail");
    SendMessageA(header, HDM_GETITEMA, 3, reinterpret_cast<LPARAM>(&hd));
    EXPECT_STREQ(name, "Comments");
    EXPECT_EQ(Text(dialog->Item(), 0, 2), "bob@example.org");
    EXPECT_EQ(Text(dialog->Item(), 0, 3), "");
    EXPECT_EQ(Text(dialog->Item(), 1, 2), "");
    EXPECT_EQ(Text(dialog->Item(), 1, 3), "Carol's comment");
    EXPECT_TRUE(list.IsColumnEdit(1, 2));
    EXPECT_TRUE(list.IsColumnEdit(1, 3));
}

TEST_F(DBList, ClicksAndSpaceToggleWithTheRegisteredMessage) {
    FillStore();
    auto dialog = MakeDialog();
    CDBVortalListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
    ASSERT_EQ(list.InitControl(&token, 1, 0x03, 0), 0u);
    HWND hwnd = dialog->Item();
    zt::Pump(50);

    // Bob (row 3): a click anywhere in the cell checks, a second click clears.
    kct::ClickAt(hwnd, CellCentre(list, 3, 0));
    ASSERT_TRUE(zt::WaitUntil([&] { return list.GetCheckbox(3, 0) == 1; }));
    zt::Pump(600); // no double click
    RECT r;
    list.GetSubItemRect(3, 0, LVIR_BOUNDS, r);
    kct::ClickAt(hwnd, {r.right - 3, (r.top + r.bottom) / 2});
    ASSERT_TRUE(zt::WaitUntil([&] { return list.GetCheckbox(3, 0) == 0; }));
    zt::Pump(600);
    // A disabled row (backup key 2) swallows the click.
    kct::ClickAt(hwnd, CellCentre(list, 2, 0));
    zt::Pump(600);
    EXPECT_EQ(list.GetCheckbox(2, 0), 1);
    // A cell without a check box (column 1) toggles nothing.
    kct::ClickAt(hwnd, CellCentre(list, 4, 1));
    zt::Pump(600);
    EXPECT_EQ(list.GetCheckbox(4, 0), 0);
    // Space on the selected row (Carol, row 4, selected by the last click).
    SetFocus(hwnd);
    ASSERT_EQ(list.GetCurSel(), 4);
    zt::PressKey(VK_SPACE);
    ASSERT_TRUE(zt::WaitUntil([&] { return list.GetCheckbox(4, 0) == 1; }));
    EXPECT_EQ(Toggles(*dialog), (std::vector<std::pair<int, int>>{{3, 0}, {3, 0}, {4, 0}}));

    // Space on a disabled row changes nothing.
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(hwnd, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    zt::PressKey(VK_SPACE);
    zt::Pump(200);
    EXPECT_EQ(list.GetCheckbox(0, 0), 1);
    EXPECT_EQ(Toggles(*dialog).size(), 3u);
}

TEST_F(DBList, SingleChoiceClearsEveryRowBeforeChecking) {
    FillStore();
    auto dialog = MakeDialog();
    CDBVortalListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
    ASSERT_EQ(list.InitControl(&token, 1, 0x03 | 0x20, 0), 0u);
    int caller = list.InsertItem(6, "caller's row");
    ASSERT_EQ(caller, 6);
    EXPECT_EQ(list.GetCheckbox(caller, 0), -1);
    HWND hwnd = dialog->Item();
    zt::Pump(50);
    kct::ClickAt(hwnd, CellCentre(list, 3, 0));
    ASSERT_TRUE(zt::WaitUntil([&] { return list.GetCheckbox(3, 0) == 1; }));
    zt::Pump(600);
    // The clearing reaches the token's rows (still disabled) and gives the caller's row a box.
    EXPECT_EQ(list.GetCheckbox(0, 0), 0);
    EXPECT_EQ(list.GetEnabled(0), FALSE);
    EXPECT_EQ(list.GetCheckbox(caller, 0), 0);
    kct::ClickAt(hwnd, CellCentre(list, 5, 0));
    ASSERT_TRUE(zt::WaitUntil([&] { return list.GetCheckbox(5, 0) == 1; }));
    zt::Pump(600);
    EXPECT_EQ(list.GetCheckbox(3, 0), 0);
    // Unchecking clears nothing else.
    ASSERT_TRUE(list.SetCheckbox(4, 0, eCheckChecked));
    kct::ClickAt(hwnd, CellCentre(list, 5, 0));
    ASSERT_TRUE(zt::WaitUntil([&] { return list.GetCheckbox(5, 0) == 0; }));
    EXPECT_EQ(list.GetCheckbox(4, 0), 1);
}

TEST_F(DBList, CallersRowsAndCellsOutsideTheList) {
    auto dialog = MakeDialog();
    CDBVortalListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
    ASSERT_EQ(list.InitControl(&token, 1, 0x01, 0), 0u); // no store: backup keys get default names
    EXPECT_EQ(Contents(list, dialog->Item()), (Rows{{"Alice's Token", "5A5A0001", "", 1, FALSE},
                                                    {"Backup Key 1", "B0000001", "", 1, FALSE},
                                                    {"Backup Key 2", "B0000002", "", 1, FALSE}}));
    EXPECT_EQ(list.InsertItem(-1, "x"), -1);
    int row = list.InsertItem(3, "mine", RGB(200, 0, 0), RGB(0, 0, 200));
    ASSERT_EQ(row, 3);
    EXPECT_EQ(list.GetCheckbox(row, 0), -1);
    EXPECT_EQ(list.GetCheckbox(row, 1), -1);
    EXPECT_TRUE(list.SetCheckbox(row, 1, eCheckChecked));
    EXPECT_EQ(list.GetCheckbox(row, 1), 1);
    EXPECT_FALSE(list.SetCheckbox(row, 2, eCheckChecked)) << "no such column";
    EXPECT_FALSE(list.SetCheckbox(9, 0, eCheckChecked));
    EXPECT_EQ(list.GetCheckbox(9, 0), -1);
    EXPECT_EQ(list.GetEnabled(9), FALSE);
    EXPECT_TRUE(list.SetEnabled(row, FALSE));
    EXPECT_EQ(list.GetEnabled(row), FALSE);
    EXPECT_FALSE(list.IsColumnEdit(0, 2));
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = 4;
    item.iImage = 7;
    char text[] = "with image";
    item.pszText = text;
    EXPECT_EQ(list.InsertItem(&item), 4);
    EXPECT_TRUE(list.DeleteItem(4));
    EXPECT_FALSE(list.DeleteItem(4));
    // Rows the dialog deletes itself take their records along (checked under the heap checker of
    // the debug runtime only by not crashing here and on destroy).
    SendMessageA(dialog->Item(), LVM_DELETEITEM, 3, 0);
    EXPECT_EQ(SendMessageA(dialog->Item(), LVM_GETITEMCOUNT, 0, 0), 3);
}

TEST_F(DBList, SaveRefreshLoadRestoresExactlyTheCheckedStoreRows) {
    FillStore();
    auto dialog = MakeDialog();
    CDBVortalListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
    ASSERT_EQ(list.InitControl(&token, 1, 0x03, 0), 0u);
    ASSERT_TRUE(list.SetCheckbox(3, 0, eCheckChecked)); // Bob
    ASSERT_TRUE(list.SetCheckbox(5, 0, eCheckChecked)); // Dave
    list.SaveSettings();
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    unsigned char data[64] = {};
    DWORD size = sizeof data, type = 0;
    ASSERT_EQ(RegQueryValueExA(key, "5A5A0001", nullptr, &type, data, &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    const unsigned char expected[] = {0x01, 0x00, 0x0C, 0x0C, 0x03, 0x00, 0x0C, 0x0C};
    ASSERT_EQ(size, sizeof expected);
    EXPECT_EQ(std::memcmp(data, expected, size), 0);

    // Dave leaves the store; a refresh clears every check; loading restores Bob only.
    ASSERT_EQ(ZRPCFUNC_DB_DeletePublicKey(0x0C0C0003), 0u);
    ASSERT_TRUE(list.Refresh());
    EXPECT_EQ(list.GetCheckbox(3, 0), 0);
    list.LoadSettings();
    EXPECT_EQ(Contents(list, dialog->Item()), (Rows{{"Alice's Token", "5A5A0001", "", 1, FALSE},
                                                    {"Backup Key 1", "B0000001", "", 1, FALSE},
                                                    {"Safe Two", "B0000002", "", 1, FALSE},
                                                    {"Bob", "0C0C0001", "", 1, TRUE},
                                                    {"Carol", "0C0C0002", "", 0, TRUE}}));

    // A value cut short (6 bytes): the whole serial is used, the two stray bytes are not read as one.
    ASSERT_TRUE(list.Refresh());
    const unsigned char cut[] = {0x02, 0x00, 0x0C, 0x0C, 0x01, 0x00};
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_WRITE, &key), ERROR_SUCCESS);
    RegSetValueExA(key, "5A5A0001", 0, REG_BINARY, cut, sizeof cut);
    RegCloseKey(key);
    list.LoadSettings();
    EXPECT_EQ(list.GetCheckbox(3, 0), 0);
    EXPECT_EQ(list.GetCheckbox(4, 0), 1);

    // Nothing checked writes an empty value.
    list.ClearAllChecks();
    list.SaveSettings();
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    size = sizeof data;
    EXPECT_EQ(RegQueryValueExA(key, "5A5A0001", nullptr, nullptr, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
    RegCloseKey(key);
}

TEST_F(DBList, InPlaceEditingWritesTheCommentBackAndEscapeChangesNothing) {
    FillStore();
    auto dialog = MakeDialog();
    CDBVortalListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
    ASSERT_EQ(list.InitControl(&token, 1, 0x0F, 0), 0u);
    HWND hwnd = dialog->Item();
    EXPECT_EQ(Text(hwnd, 1, 1), "0C0C0002");
    SetFocus(hwnd);
    zt::Pump(50);
    auto editor = [&] { return FindWindowExA(hwnd, nullptr, "Edit", nullptr); };

    // Row 1 (Carol) does not have the focus yet: the double click only selects it.
    kct::ClickAt(hwnd, CellCentre(list, 1, 2), true);
    zt::Pump(300);
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(list.GetCurSel(), 1);
    zt::Pump(600);
    // Now it has: the editor opens over the cell with its text; Escape leaves everything as it was.
    kct::ClickAt(hwnd, CellCentre(list, 1, 2), true);
    ASSERT_TRUE(zt::WaitUntil([&] { return editor() != nullptr; }));
    EXPECT_EQ(zt::WindowText(editor()), "Carol's comment");
    zt::TypeText("changed");
    zt::PressKey(VK_ESCAPE);
    ASSERT_TRUE(zt::WaitUntil([&] { return editor() == nullptr; }));
    EXPECT_EQ(Text(hwnd, 1, 2), "Carol's comment");
    char stored[300] = "";
    EXPECT_EQ(ZRPCFUNC_DB_GetComments(0x0C0C0002, stored), 0u);
    EXPECT_STREQ(stored, "Carol's comment");

    // Typing and Enter: the cell and the key store take the new text.
    zt::Pump(600);
    kct::ClickAt(hwnd, CellCentre(list, 1, 2), true);
    ASSERT_TRUE(zt::WaitUntil([&] { return editor() != nullptr; }));
    zt::TypeText("Met in Oslo");
    zt::PressKey(VK_RETURN);
    ASSERT_TRUE(zt::WaitUntil([&] { return editor() == nullptr; }));
    EXPECT_EQ(Text(hwnd, 1, 2), "Met in Oslo");
    EXPECT_EQ(ZRPCFUNC_DB_GetComments(0x0C0C0002, stored), 0u);
    EXPECT_STREQ(stored, "Met in Oslo");

    // A text longer than the key store keeps is refused; cell and store keep the old text.
    std::string longText(300, 'x');
    ASSERT_NE(list.EditSubLabel(1, 2), nullptr);
    SetWindowTextA(editor(), longText.c_str());
    zt::PressKey(VK_RETURN);
    ASSERT_TRUE(zt::WaitUntil([&] { return editor() == nullptr; }));
    EXPECT_EQ(Text(hwnd, 1, 2), "Met in Oslo");
    EXPECT_EQ(ZRPCFUNC_DB_GetComments(0x0C0C0002, stored), 0u);
    EXPECT_STREQ(stored, "Met in Oslo");

    // The platform's own label editing never starts.
    EXPECT_EQ(SendMessageA(hwnd, LVM_EDITLABELA, 1, 0), 0);
}

TEST_F(DBList, FailuresAreShownAndReturned) {
    auto dialog = MakeDialog();
    {
        CDBVortalListCtrl list;
        ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
        zt::BoxAnswerer boxes(IDOK);
        EXPECT_EQ(list.InitControl(nullptr, 1, 0x03, 0), 1u);
        EXPECT_EQ(list.InitControl(&token, 0, 0x03, 0), 1u);
        auto seen = boxes.Seen();
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_NE(seen[0].text.find("opening the token"), std::string::npos) << seen[0].text;
        EXPECT_FALSE(list.Refresh());
    }
    struct Case {
        const char* what;
        int place;
        unsigned long rc;
        const char* activity;
        size_t rows;
    };
    for (const Case& c : {Case{"token information", ZRPC_PLACE_GET_INFO_EX, 31, "adding the public key", 0},
                          Case{"backup key packets", ZRPC_PLACE_MAKE_PACKET, 0, "getting backup key 1", 1}}) {
        SCOPED_TRACE(c.what);
        ZRPCFUNC_ResetTokenInfoExCache();
        auto d = MakeDialog();
        CDBVortalListCtrl list;
        ASSERT_TRUE(list.SubclassDlgItem(kItem, d->Handle()));
        token.FailPlace(c.place, 31);
        std::vector<zt::SeenBox> seen;
        unsigned long rc;
        {
            zt::BoxAnswerer boxes(IDOK);
            rc = list.InitControl(&token, 1, 0x03, 0);
            seen = boxes.Seen();
        }
        token.FailPlace(c.place, 0);
        EXPECT_EQ(rc, c.rc);
        ASSERT_FALSE(seen.empty());
        EXPECT_NE(seen[0].text.find(c.activity), std::string::npos) << seen[0].text;
        EXPECT_EQ(static_cast<size_t>(SendMessageA(d->Item(), LVM_GETITEMCOUNT, 0, 0)), c.rows);
    }
}

} // namespace

namespace {

// Pixels of a cell's check box as the list shows them on the screen.
struct BoxPixels {
    int black = 0;
    int grey = 0;
    int window = 0;
    int total = 0;
};

BoxPixels ReadBox(CDBVortalListCtrl& list, HWND hwnd, int row) {
    RECT cell;
    EXPECT_TRUE(list.GetSubItemRect(row, 0, LVIR_BOUNDS, cell));
    int height = (cell.bottom - 1) - cell.top;
    // Inside the sunken edge of the box, which starts 9 pixels into the cell (1 more for the edge).
    RECT inner = {cell.left + 10 + 2, cell.top + 2, cell.left + 10 + height - 3, cell.bottom - 3};
    HDC dc = GetDC(hwnd);
    BoxPixels p;
    for (int y = inner.top; y < inner.bottom; ++y)
        for (int x = inner.left; x < inner.right; ++x) {
            COLORREF c = GetPixel(dc, x, y);
            ++p.total;
            if (c == RGB(0, 0, 0)) ++p.black;
            if (c == GetSysColor(COLOR_GRAYTEXT)) ++p.grey;
            if (c == GetSysColor(COLOR_WINDOW)) ++p.window;
        }
    ReleaseDC(hwnd, dc);
    return p;
}

TEST_F(DBList, CheckBoxesAndTicksAreDrawnAndFollowTheSystemColours) {
    FillStore();
    auto dialog = MakeDialog();
    CDBVortalListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
    ASSERT_EQ(list.InitControl(&token, 1, 0x03, 0), 0u);
    HWND hwnd = dialog->Item();
    ASSERT_TRUE(list.SetCheckbox(4, 0, eCheckChecked));
    // Nothing selected, so no row is drawn highlighted.
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    zt::Pump(100);

    BoxPixels own = ReadBox(list, hwnd, 0);     // checked, disabled: a grey tick
    BoxPixels checked = ReadBox(list, hwnd, 4); // checked, enabled: a black tick
    BoxPixels clear = ReadBox(list, hwnd, 3);   // unchecked: an empty box
    EXPECT_GE(checked.black, 14) << "seven strokes of about three pixels";
    EXPECT_EQ(own.black, 0);
    EXPECT_GE(own.grey, 14);
    EXPECT_EQ(clear.black, 0);
    EXPECT_EQ(clear.grey, 0);
    EXPECT_EQ(clear.window, clear.total) << "the box is filled with the window colour";

    // Another window colour: the next paint fills the boxes with it.
    int index = COLOR_WINDOW;
    COLORREF old = GetSysColor(COLOR_WINDOW), other = RGB(255, 255, 224);
    ASSERT_TRUE(SetSysColors(1, &index, &other));
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    zt::Pump(100);
    BoxPixels after = ReadBox(list, hwnd, 3);
    SetSysColors(1, &index, &old);
    EXPECT_EQ(after.window, after.total);
    EXPECT_GT(after.total, 0);
}

// A row the dialog inserts itself, with item data of its own; the row's index.
int InsertOwnRow(HWND list, int at, const char* text, LPARAM data) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = at;
    item.pszText = const_cast<char*>(text);
    item.lParam = data;
    return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

LPARAM ItemData(HWND list, int row) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

// Item data of the dialog's own rows are the dialog's: the control neither reads them as records nor
// frees them, whoever deletes the row, and leaves them in place when it gives the window back.
TEST_F(DBList, TheDialogsOwnRowsKeepTheirItemData) {
    auto dialog = MakeDialog();
    HWND hwnd = dialog->Item();
    std::vector<char> block(64, 'x'); // a block of the dialog's, and a plain number
    const LPARAM own = reinterpret_cast<LPARAM>(block.data()), number = 0x1234;
    ASSERT_EQ(InsertOwnRow(hwnd, 0, "before", number), 0);
    {
        CDBVortalListCtrl list;
        ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
        ASSERT_EQ(list.InitControl(&token, 1, 0x01, 0), 0u); // three rows in front of the dialog's
        ASSERT_EQ(InsertOwnRow(hwnd, 4, "after", own), 4);
        for (int row : {3, 4}) {
            EXPECT_EQ(list.GetCheckbox(row, 0), -1);
            EXPECT_FALSE(list.SetCheckbox(row, 0, eCheckChecked));
            EXPECT_EQ(list.GetEnabled(row), FALSE);
        }
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        // The dialog deletes one of its rows, the control the other: the dialog is told of each with
        // its own item data.
        ASSERT_TRUE(SendMessageA(hwnd, LVM_DELETEITEM, 4, 0));
        ASSERT_TRUE(list.DeleteItem(3));
        EXPECT_EQ(dialog->deleted, (std::vector<LPARAM>{own, number}));
        ASSERT_EQ(InsertOwnRow(hwnd, 3, "kept", own), 3);
    }
    EXPECT_EQ(std::string(block.data(), block.size()), std::string(64, 'x'));
    // The object gone, the window keeps its rows: the dialog's with its item data, the control's
    // without any.
    EXPECT_EQ(ItemData(hwnd, 3), own);
    EXPECT_EQ(ItemData(hwnd, 0), 0);
    // The next object goes with the window: the dialog's row goes with its item data.
    dialog->deleted.clear();
    {
        CDBVortalListCtrl list;
        ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
        DestroyWindow(dialog->Handle());
    }
    EXPECT_NE(std::find(dialog->deleted.begin(), dialog->deleted.end(), own), dialog->deleted.end());
}

// Rows the control inserts before InitControl, or after one that failed, are drawn, edited and
// freed as the control's from the start: the check box with its tick, the list view's own label
// editing refused.
TEST_F(DBList, RowsBeforeOrWithoutInitControlAreTheControls) {
    for (bool failedInit : {false, true}) {
        SCOPED_TRACE(failedInit ? "after a failed InitControl" : "without InitControl");
        auto dialog = MakeDialog();
        HWND hwnd = dialog->Item();
        CDBVortalListCtrl list;
        ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
        if (failedInit) {
            zt::BoxAnswerer boxes(IDOK);
            ASSERT_EQ(list.InitControl(nullptr, 1, 0x03, 0), 1u);
        }
        // The dialog's own columns.
        for (const char* title : {"Key", "Note"}) {
            LVCOLUMNA column = {};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.cx = 120;
            column.pszText = const_cast<char*>(title);
            SendMessageA(hwnd, LVM_INSERTCOLUMNA, 5, reinterpret_cast<LPARAM>(&column));
        }
        ASSERT_EQ(list.InsertItem(0, "mine"), 0);
        ASSERT_EQ(list.InsertItem(1, "other"), 1);
        ASSERT_TRUE(list.SetCheckbox(0, 0, eCheckChecked));
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        zt::Pump(100);
        RECT cell;
        ASSERT_TRUE(list.GetSubItemRect(0, 0, LVIR_BOUNDS, cell));
        const int height = (cell.bottom - 1) - cell.top;
        const RECT inside = {cell.left + 12, cell.top + 2, cell.left + 9 + height - 2, cell.bottom - 3};
        const kct::Screen screen(hwnd);
        const kct::Screen::Ink tick = screen.Find(inside, GetSysColor(COLOR_WINDOWTEXT));
        EXPECT_EQ(tick.Width(), 7);
        EXPECT_EQ(tick.Height(), 7);
        EXPECT_EQ(SendMessageA(hwnd, LVM_EDITLABELA, 1, 0), 0) << "the list view's own editing never starts";
    }
}

// A caller's colours are column 0's; a text that cannot be read on the caller's background is
// drawn in one that can.
TEST_F(DBList, ACallersColoursAreColumnZerosAndItsTextStaysReadable) {
    auto dialog = MakeDialog();
    HWND hwnd = dialog->Item();
    CDBVortalListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
    ASSERT_EQ(list.InitControl(&token, 1, 0x01, 0), 0u);
    const COLORREF navy = RGB(0, 0, 128), yellow = RGB(255, 255, 0);
    struct Case {
        const char* what;
        COLORREF text;
        bool textKept;
    };
    const Case cases[] = {
        {"a readable text colour of the caller's", yellow, true},
        {"the system's text colour, unreadable on navy", GetSysColor(COLOR_WINDOWTEXT), false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int row = list.InsertItem(3, "HHHHHHHH", c.text, navy);
        ASSERT_EQ(row, 3);
        LVITEMA text = {};
        text.iSubItem = 1;
        text.pszText = const_cast<char*>("MMMMMMMM");
        SendMessageA(hwnd, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&text));
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        zt::Pump(100);
        RECT first, second;
        ASSERT_TRUE(list.GetSubItemRect(row, 0, LVIR_BOUNDS, first));
        ASSERT_TRUE(list.GetSubItemRect(row, 1, LVIR_BOUNDS, second));
        const kct::Screen screen(hwnd);
        const int area0 = (first.right - first.left) * (first.bottom - first.top);
        EXPECT_GT(screen.Find(first, navy).count, area0 / 2) << "column 0 on the caller's background";
        EXPECT_EQ(screen.Find(second, navy).count, 0) << "column 1 keeps the control's colours";
        EXPECT_GT(screen.Find(second, GetSysColor(COLOR_WINDOW)).count, 0);
        // The text's most contrasting pixel on navy can be read.
        double best = 0;
        screen.Find(first, [&](COLORREF p) {
            best = std::max(best, zrpc::palette::Contrast(p, navy));
            return false;
        });
        EXPECT_GE(best, zrpc::palette::kReadableContrast);
        EXPECT_EQ(screen.Find(first, yellow).count > 0, c.textKept);
        list.DeleteItem(row);
    }
}

// A backup key the token holds without a serial is named as the failure it is (once per key) and gets
// no row; a refresh after the token gave up a backup key lists that key's store entry again.
TEST_F(DBList, BackupKeysWithoutSerialAndARefreshAfterTheTokenChanged) {
    FillStore();
    const Row own{"Alice's Token", "5A5A0001", "", 1, FALSE};
    const Rows others{{"Bob", "0C0C0001", "", 0, TRUE},
                      {"Carol", "0C0C0002", "", 0, TRUE},
                      {"Dave", "0C0C0003", "", 0, TRUE}};
    {
        token.zeroSerialHandle = 1;
        auto dialog = MakeDialog();
        CDBVortalListCtrl list;
        ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
        std::vector<zt::SeenBox> seen;
        {
            zt::BoxAnswerer boxes(IDOK);
            EXPECT_EQ(list.InitControl(&token, 1, 0x03, 0), 0u);
            seen = boxes.Seen();
        }
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_NE(seen[0].text.find("getting backup key 1"), std::string::npos) << seen[0].text;
        EXPECT_NE(seen[1].text.find("getting backup key 2"), std::string::npos) << seen[1].text;
        Rows rows{own, {"Safe Two", "B0000002", "", 0, TRUE}};
        rows.insert(rows.end(), others.begin(), others.end());
        EXPECT_EQ(Contents(list, dialog->Item()), rows);
        // Without rows for the token's keys nothing is shown.
        {
            zt::BoxAnswerer boxes(IDOK);
            ASSERT_EQ(list.InitControl(&token, 1, 0x07, 0), 0u);
            EXPECT_TRUE(boxes.Seen().empty());
        }
        token.zeroSerialHandle = 0;
    }
    auto dialog = MakeDialog();
    CDBVortalListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
    ASSERT_EQ(list.InitControl(&token, 1, 0x03, 0), 0u);
    Rows rows{own, {"Backup Key 1", "B0000001", "", 1, FALSE}, {"Safe Two", "B0000002", "", 1, FALSE}};
    rows.insert(rows.end(), others.begin(), others.end());
    EXPECT_EQ(Contents(list, dialog->Item()), rows);
    // The token gives up backup key 2: its key is one of the store's again.
    token.SoftToken::Tokens()[0].backupSerial[1] = 0;
    ZRPCFUNC_ResetTokenInfoExCache();
    ASSERT_TRUE(list.Refresh());
    rows = {own, {"Backup Key 1", "B0000001", "", 1, FALSE}, {"Safe Two", "B0000002", "", 0, TRUE}};
    rows.insert(rows.end(), others.begin(), others.end());
    EXPECT_EQ(Contents(list, dialog->Item()), rows);
}

// One step of a caller's enumeration through its connection: how it ended, the key, and its e-mail
// address and comment as the connection reads them.
std::string EnumerationStep(bool first) {
    unsigned long serial = 0;
    unsigned char name[17] = {};
    unsigned long rc =
        first ? ZRPCFUNC_DB_GetFirstPublicKey(&serial, name) : ZRPCFUNC_DB_GetNextPublicKey(&serial, name);
    char email[300] = "-", comment[300] = "-";
    unsigned long e = ZRPCFUNC_DB_GetPubKeyEmail(email), c = ZRPCFUNC_DB_GetPubKeyComment(comment);
    char line[700];
    std::snprintf(line, sizeof line, "%lu %08lX %.16s | %lu %s | %lu %s", rc, rc == 0 ? serial : 0,
                  rc == 0 ? reinterpret_cast<const char*>(name) : "", e, email, c, comment);
    return line;
}

// A caller connected and half-way through its enumeration places the list and the combo: its connection,
// its cursor and its answers are as they were, and the controls read the store as it is now.
TEST_F(DBList, ACallersConnectionAndEnumerationStayAsTheyWere) {
    FillStore();
    ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u);
    std::vector<std::string> whole; // five keys, then 7 past the end
    for (int i = 0; i < 7; ++i)
        whole.push_back(EnumerationStep(i == 0));
    EXPECT_EQ(whole[2].substr(0, 12), "0 0C0C0001 B");
    EXPECT_EQ(whole[6].substr(0, 2), "7 ");

    // Half-way again; then a key added after connecting, which the connection does not see.
    std::vector<std::string> seen;
    for (int i = 0; i < 3; ++i)
        seen.push_back(EnumerationStep(i == 0));
    Add(0x0C0C0004, "Eve");

    auto dialog = MakeDialog();
    CDBVortalListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(kItem, dialog->Handle()));
    ASSERT_EQ(list.InitControl(&token, 1, 0x03 | 0x10, 0), 0u);
    kct::HostDialog comboDialog(L"COMBOBOX", kItem, CBS_DROPDOWNLIST | WS_VSCROLL, 160, 120);
    CDBVortalComboCtrl combo;
    ASSERT_TRUE(combo.SubclassDlgItem(kItem, comboDialog.Handle()));
    ASSERT_EQ(combo.InitControl(&token, 1, eChobKey2), 0u);

    // The caller's enumeration goes on from where it was, with the same answers.
    for (int i = 3; i < 7; ++i)
        seen.push_back(EnumerationStep(false));
    EXPECT_EQ(seen, whole);

    // The controls read the store itself: the key added after the caller connected is there.
    const Rows rows = Contents(list, dialog->Item());
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back(), (Row{"Eve", "0C0C0004", "", 0, TRUE}));
    int entries = static_cast<int>(SendMessageA(comboDialog.Item(), CB_GETCOUNT, 0, 0));
    char last[64] = "";
    SendMessageA(comboDialog.Item(), CB_GETLBTEXT, entries - 1, reinterpret_cast<LPARAM>(last));
    EXPECT_STREQ(last, "Eve (0C0C0004)");

    // The connection is still the caller's, to end once.
    EXPECT_EQ(ZRPCFUNC_DB_Disconnect(), 0u);
    EXPECT_EQ(ZRPCFUNC_DB_Disconnect(), 12u);

    // A caller without a connection is still without one after the controls refresh.
    ASSERT_TRUE(list.Refresh());
    ASSERT_TRUE(combo.Refresh());
    unsigned long serial = 0;
    unsigned char name[17] = {};
    EXPECT_EQ(ZRPCFUNC_DB_GetFirstPublicKey(&serial, name), 12u);
    EXPECT_EQ(ZRPCFUNC_DB_Disconnect(), 12u);
}

} // namespace
