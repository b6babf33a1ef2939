#pragma once
#define IDD_TEST 100
#define IDC_DRAWN 1001
#define IDS_TEST_TEXT 200
