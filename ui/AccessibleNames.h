#pragma once

#include <QString>

class QWidget;

namespace horavane::ui {

// Names every control of a dialog built from a template for screen readers, from the visible label
// the template links it to: a control with a "labelledBy" property (the label's object name, or the
// dialog's own, which lends its title) is named by that label's text without its closing colon,
// followed by its "nameSuffix"; a read-out value (a label itself) keeps its text as its name and is
// described by its caption. The label becomes the control's buddy, so the relation is there too.
void NameControlsFromLabels(QWidget* dialog);

// Announces the window's radio buttons as radio buttons although each pair is chosen by the window's
// logic (Qt calls a checkable button that is not exclusive a check box). Before the window is built.
void InstallAccessibleInterfaces();

// A label's text as a name: one line, no closing colon.
[[nodiscard]] QString NameFromLabel(const QString& text);

// Tells a screen reader that a label's text changed, so that a status line is read out.
void AnnounceTextChange(QWidget* label);

}  // namespace horavane::ui
