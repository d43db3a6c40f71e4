// The report control's texts in the system's old code page (1252 here): see report_text_cases.h. The
// same cases run with UTF-8 as the code page in report_ops_utf8_test.
// ctest-lock: display
#include "tests/win/report_text_cases.h"
