// The report control's texts with UTF-8 as the program's code page (its manifest,
// report_ops_utf8_test.rc): see report_text_cases.h. The same cases run in the system's old code page
// in report_ops_text_test.
// ctest-lock: display
#define ZRPC_EXPECT_UTF8 1
#include "tests/win/report_text_cases.h"
