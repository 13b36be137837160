#pragma once
// Ids of the resizable test dialog used by the control layout tests.
#define IDD_LAYOUT_TEST 900
#define IDC_STRETCHED 901
#define IDC_BOTTOM_BUTTON 902
#define IDC_CENTRED 903
#define IDC_PROPORTIONAL 904
#define IDC_FIXED 905
