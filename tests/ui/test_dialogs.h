// Resource IDs of the dialog tests' own templates (test_dialogs.rc).
#pragma once

#define IDS_TEST_TITLE 900        // "X"
#define IDD_TEST_PLACEHOLDERS 910  // caption "Setup %1 of %1"
#define IDD_TEST_NO_CAPTION 911    // empty caption
#define IDD_TEST_MISSING 999       // no such template
#define IDC_TEST_LINK 950          // a static text bound to a hyperlink control
