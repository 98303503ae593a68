// Accessible names and descriptions for the controls of every window, taken from the texts a
// sighted user reads beside them, so a screen reader says what each control is and does.
#pragma once

#include <QString>

class QApplication;
class QWidget;

// The name and description NameControls gives Control ("" when it has nothing to go by).
// Name: a button's caption, a group box's title; otherwise the label whose buddy it is or that
// stands left of it in its form or grid, then the title of the group box around it, its tooltip,
// its status tip, its placeholder text; a list or table that nothing labels is named after its
// window, and a part of a compound control (the edit or list of a combo box, a scroll bar, a
// button inside an edit) after that control. Accelerator marks ("&") are left out.
// Description: the tooltip, else the status tip, else the What's This text, when it says more
// than the name.
QString DerivedAccessibleName(const QWidget& Control);
QString DerivedAccessibleDescription(const QWidget& Control);

// Gives every control in Window (itself included) its derived name and description. A name or
// description that someone else set is kept; those set here follow the texts when run again.
void NameControls(QWidget& Window);

// Names the controls of each window of Application when it is shown, of every window again
// after a change of language (once the windows have taken their new texts), and of a control
// again when it takes the focus, since some hints follow what the control shows.
void InstallAccessibleNames(QApplication& Application);
