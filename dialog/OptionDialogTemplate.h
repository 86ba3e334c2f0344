// The layout of dialog template 206 in dialog units, as resources/OptionDialog.rc lays it
// out for Windows.  The portable dialog backend builds its windows from this table; a test
// keeps the table and the resource script in step.
#pragma once
#include "resources/OptionDialogIds.h"

namespace torvaDlg {

enum class ControlKind { DefaultButton, Button, GroupBox, OwnerDrawnStatic, Link };

struct ControlTemplate {
    int id;
    ControlKind kind;
    int x, y, width, height;
    const char* text;  // the template's own text; the dialog replaces most at run time
};

struct DialogTemplate {
    int id;
    int x, y, width, height;
    const char* caption;
    const char* fontName;
    int fontPoints;
    const ControlTemplate* controls;
    int controlCount;
};

inline constexpr ControlTemplate kOptionDialogControls[] = {
    {1, ControlKind::DefaultButton, 180, 144, 36, 18, "OK"},
    {IDC_OPTIONS_GROUP, ControlKind::GroupBox, 6, 6, 222, 76, ""},
    {IDC_OPTIONS_SAVE, ControlKind::Button, 12, 30, 210, 15, ""},
    {IDC_OPTIONS_RESTORE, ControlKind::Button, 12, 50, 210, 15, ""},
    {IDC_OPTIONS_BANNER, ControlKind::OwnerDrawnStatic, 13, 90, 209, 43, ""},
    {IDC_OPTIONS_MANUAL, ControlKind::Link, 11, 147, 142, 15, ""},
};

inline constexpr DialogTemplate kOptionDialogTemplate = {
    IDD_TONEDOT_OPTIONS, 22, 17, 235, 170, "Option", "MS UI Gothic", 9,
    kOptionDialogControls, int(sizeof kOptionDialogControls / sizeof kOptionDialogControls[0])};

}  // namespace torvaDlg
