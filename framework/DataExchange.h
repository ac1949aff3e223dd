// Data exchange between a dialog's members and its controls, one call per member and control.
// Loading (save == false) writes members into controls; saving reads and checks them. After the
// first failed check, which has shown its message and focused its control, every further call
// of the same exchange does nothing.
#pragma once

#include <windows.h>

#include <string>

class CDialog;

class CDataExchange {
public:
    CDataExchange(CDialog& dialog, bool saveAndValidate)
        : m_dialog(dialog), m_bSaveAndValidate(saveAndValidate) {}

    bool Saving() const { return m_bSaveAndValidate; }
    bool Failed() const { return m_failed; }

    // The control `id`; remembered as the one to focus when a check fails.
    HWND PrepareCtrl(int id);
    HWND PrepareEditCtrl(int id);

    // Marks the exchange failed and focuses the last prepared control (an edit with its text
    // selected). The caller has already shown the message.
    void Fail();

    CDialog& Dialog() const { return m_dialog; }

private:
    CDialog& m_dialog;
    bool m_bSaveAndValidate;
    bool m_failed = false;
    HWND m_lastControl = nullptr;
    bool m_lastIsEdit = false;
};

// Radio group starting at `firstId` and running to the next control with WS_GROUP: the index
// of the checked button, -1 when none is checked.
void DDX_Radio(CDataExchange& dx, int firstId, int& value);
// Check box: 0 clear, 1 set.
void DDX_Check(CDataExchange& dx, int id, int& value);
// Drop-down list by text. Load selects the first entry that begins with the text; store reads
// the selected entry's text, at most 20 characters.
void DDX_CBString(CDataExchange& dx, int id, std::wstring& value);
// Integer edit. Store refuses a text that is not an integer with "整数を入力してください。".
void DDX_Text(CDataExchange& dx, int id, int& value);
// Plain text.
void DDX_Text(CDataExchange& dx, int id, std::wstring& value);
// Range check after DDX_Text on saving: "%1 から %2 までの整数を入力してください。".
void DDV_MinMaxInt(CDataExchange& dx, int value, int minValue, int maxValue);
// Slider (trackbar) position.
void DDX_Slider(CDataExchange& dx, int id, int& position);
// The window of a control, for the dialog to talk to it directly.
void DDX_Control(CDataExchange& dx, int id, HWND& control);

// Reads an integer the way the edit exchange does: optional blanks, an optional sign, decimal
// digits and optional blanks. False when the text is no such number or does not fit an int.
bool ParseInt(const std::wstring& text, int& value);
