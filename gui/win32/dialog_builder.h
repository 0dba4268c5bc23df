#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "dialog/dialog_layout.h"

namespace vindrel {

// Texts cross between the record and the controls one byte per character: byte n is U+00nn.
// A character above U+00FF has no byte and becomes "?".
std::wstring FromLatin1(const std::string& bytes);
std::string ToLatin1(const std::wstring& text);

// The controls of tmpl in the order the window is built: Win32 tabs through the controls in
// creation order, so the tab stops come in the template's tab order, each preceded by the
// controls that precede it in the table (its label, the frames around it).
std::vector<const ControlTemplate*> CreationOrder(const DialogTemplate& tmpl);

// The in-memory dialog template (DLGTEMPLATE with DS_SETFONT "MS Sans Serif" 8) of tmpl:
// caption, system menu and modal frame, no minimise or maximise box; push button defaultButton
// is the default one. Pictures start empty.
std::vector<WORD> BuildDialogTemplate(const DialogTemplate& tmpl, int defaultButton,
                                      DWORD extendedStyle = 0);

// Shows icon resource iconId (by numeric identifier) in picture control picture; an identifier
// that no icon has clears it.
void ShowIcon(HWND picture, int iconId);

// Centres dialog over owner (over the work area when owner is null), moved only as far as
// needed to lie within the work area of the owner's monitor.
void CentreWindow(HWND dialog, HWND owner);

// Runs a dialog that only shows its template (its pictures showing the icons of their own
// identifiers) and closes with its OK button, Escape or its close
// box, modally over owner, centred over it.
void RunSmallDialog(HWND owner, const DialogTemplate& tmpl);

}  // namespace vindrel
