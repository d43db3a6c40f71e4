// Messages naming an item, a row or a node that does not exist: each must answer its failure value and
// leave the control as it was. The same cases are sent to the message table over the model (native)
// and to a live window (Windows), through a sender of the caller's: send(msg, wParam, lParam).
#ifndef ZRPC_TESTS_REPORT_MISSING_ITEMS_H
#define ZRPC_TESTS_REPORT_MISSING_ITEMS_H

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "zrpcctl_report.h"

namespace reporttest {

constexpr int kMissingItems = 6; // the items the control holds
constexpr int kShownColumns = 3; // sub-items 0..2 shown, sub-item 3 defined and hidden

// Four sub-items (three shown), six items with texts and data, item 2 selected, the focus on item 4.
template <class Send> void FillForMissing(Send send) {
    const char* titles[] = {"Name", "Size", "Note", "Hidden"};
    for (int i = 0; i < 4; ++i) {
        RVMSUBITEM sub = {sizeof sub, RV_HDF_STRING, 80, 0, 0, 0, titles[i], -1, 0};
        send(RVM_DEFINESUBITEM, (uintptr_t)i, (intptr_t)&sub);
        if (i < kShownColumns) send(RVM_ACTIVATESUBITEM, (uintptr_t)i, i);
    }
    for (int i = 0; i < kMissingItems; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "item %d", i);
        RVMITEM item = {};
        item.cbSize = sizeof item;
        item.nMask = RVIM_LABEL | RVIM_USERDATA | RVIM_PICTURE | RVIM_CHECKMARK;
        item.iItem = i;
        item.pszText = name;
        item.cchText = -1;
        item.iImage = i;
        item.iCheck = i % 2;
        item.lParam = 100 + i;
        send(RVM_INSERTITEM, 0, (intptr_t)&item);
    }
    send(RVM_SETSELECTION, 2, 0);
    send(RVM_ADJUSTFOCUS, 4, -1);
}

// What a message may not change: items, texts, data, images, checks, selection, focus, rows.
template <class Send> std::string Snapshot(Send send) {
    std::string s;
    char line[96];
    int column = -9;
    int focus = (int)send(RVM_GETCURRENTFOCUS, 0, (intptr_t)&column);
    std::snprintf(line, sizeof line, "count %d rows %d focus %d/%d |", (int)send(RVM_GETITEMCOUNT, 0, 0),
                  (int)send(RVM_GETROWCOUNT, 0, 0), focus, column);
    s += line;
    int32_t selected[16] = {};
    int n = (int)send(RVM_GETSELECTEDITEMS, 16, (intptr_t)selected);
    for (int i = 0; i < n && i < 16; ++i)
        s += " sel " + std::to_string(selected[i]);
    for (int i = -1; i < kMissingItems; ++i) {
        char text[32] = "";
        RVMCELL cell = {sizeof cell, 0, text, (int32_t)sizeof text, 0};
        send(RVM_GETITEMTEXT, (uintptr_t)i, (intptr_t)&cell);
        std::snprintf(
            line, sizeof line, " [%d %s %d %d %ld row %d]", i, text,
            (int)send(RVM_GETITEMIMAGE, (uintptr_t)i, 0), (int)send(RVM_GETITEMCHECK, (uintptr_t)i, 0),
            (long)send(RVM_GETITEMDATA, (uintptr_t)i, 0), (int)send(RVM_GETITEMROW, (uintptr_t)i, 0));
        s += line;
    }
    return s;
}

// Sends every case; the cases that answered something else or changed the control, one line each.
template <class Send> std::vector<std::string> MissingItemFailures(Send send) {
    std::vector<std::string> failures;
    const int missing[] = {-3, kMissingItems, kMissingItems + 7, INT_MAX, INT_MIN};
    for (int m : missing) {
        const uintptr_t wp = (uintptr_t)(intptr_t)m;
        char text[32] = "unchanged";
        RVMCELL cell = {sizeof cell, 0, text, (int32_t)sizeof text, 1};
        RVMITEM item = {};
        item.cbSize = sizeof item;
        item.nMask = RVIM_LABEL | RVIM_USERDATA;
        item.iItem = m;
        item.pszText = text;
        item.cchText = (int32_t)sizeof text;
        RVMITEMRECT rect = {sizeof rect, m, 0, 0, {0, 0, 0, 0}};
        RVMEDIT edit = {sizeof edit, m, 0, 1};
        struct Case {
            const char* what;
            uint32_t msg;
            uintptr_t wp;
            intptr_t lp;
            intptr_t fail;
        } const cases[] = {
            {"DELETEITEM", RVM_DELETEITEM, wp, 0, 0},
            {"GETITEMTEXT", RVM_GETITEMTEXT, wp, (intptr_t)&cell, 0},
            {"SETITEMTEXT", RVM_SETITEMTEXT, wp, (intptr_t)&cell, 0},
            {"GETITEMIMAGE", RVM_GETITEMIMAGE, wp, 0, -1},
            {"SETITEMIMAGE", RVM_SETITEMIMAGE, wp, (intptr_t)&cell, 0},
            {"GETITEMCHECK", RVM_GETITEMCHECK, wp, 0, -1},
            {"SETITEMCHECK", RVM_SETITEMCHECK, wp, (intptr_t)&cell, 0},
            {"GETITEMDATA", RVM_GETITEMDATA, wp, 0, 0},
            {"SETITEMDATA", RVM_SETITEMDATA, wp, 5, 0},
            {"GETITEM", RVM_GETITEM, 0, (intptr_t)&item, 0},
            {"SETITEM", RVM_SETITEM, 0, (intptr_t)&item, 0},
            {"GETITEMROW", RVM_GETITEMROW, wp, 0, -2},
            {"GETITEMFROMROW", RVM_GETITEMFROMROW, wp, 0, -2},
            {"MOVEUP", RVM_MOVEUP, wp, 0, 0},
            {"MOVEDOWN", RVM_MOVEDOWN, wp, 0, 0},
            {"GETITEMHANDLE", RVM_GETITEMHANDLE, wp, 0, 0},
            {"SETSELECTION", RVM_SETSELECTION, wp, 0, 0},
            {"SETCURRENTFOCUS", RVM_SETCURRENTFOCUS, wp, -1, 0},
            {"SETCURRENTFOCUS with a column", RVM_SETCURRENTFOCUS, wp, 1, 0},
            {"ADJUSTFOCUS", RVM_ADJUSTFOCUS, wp, -1, 0},
            {"ISITEMVISIBLE", RVM_ISITEMVISIBLE, wp, 0, 0},
            {"ENSUREVISIBLE", RVM_ENSUREVISIBLE, wp, 0, 0},
            {"GETITEMRECT", RVM_GETITEMRECT, 0, (intptr_t)&rect, 0},
            {"MEASUREITEM", RVM_MEASUREITEM, 0, (intptr_t)&rect, -1},
            {"BEGINEDIT", RVM_BEGINEDIT, 0, (intptr_t)&edit, 0},
        };
        for (const Case& c : cases) {
            std::string before = Snapshot(send);
            intptr_t answer = send(c.msg, c.wp, c.lp);
            std::string after = Snapshot(send);
            char line[160];
            if (answer != c.fail) {
                std::snprintf(line, sizeof line, "%s(%d) answered %ld, not %ld", c.what, m, (long)answer,
                              (long)c.fail);
                failures.push_back(line);
            }
            if (after != before) {
                std::snprintf(line, sizeof line, "%s(%d) changed the control", c.what, m);
                failures.push_back(line + std::string(": ") + before + " -> " + after);
            }
        }
    }
    // Items that exist, with what does not: the edit row without RVS_ENTRYROW, a sub-item that is not
    // shown, one that is not defined.
    struct Focus {
        const char* what;
        int item;
        int subItem;
    } const focusCases[] = {
        {"the edit row without RVS_ENTRYROW", -1, -1},
        {"a sub-item not shown", 1, 3},
        {"a sub-item not defined", 1, 9},
    };
    for (const Focus& f : focusCases) {
        std::string before = Snapshot(send);
        intptr_t answer = send(RVM_SETCURRENTFOCUS, (uintptr_t)(intptr_t)f.item, f.subItem);
        if (answer != 0 || Snapshot(send) != before)
            failures.push_back(std::string("SETCURRENTFOCUS with ") + f.what + " answered " +
                               std::to_string((long)answer) + " or changed the control");
    }
    return failures;
}

} // namespace reporttest

#endif
