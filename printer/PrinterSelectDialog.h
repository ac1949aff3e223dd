// The printer-selection dialog: lists the model's queues and hands the chosen one back.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Dialog.h"
#include "printer/PrinterDiscovery.h"
#include "printer/WinPrinterSpooler.h"

class CPrinterSelectDialog : public CDialog {
public:
    // Discovery goes to the real spooler, or to `spooler`, which must outlive the dialog.
    CPrinterSelectDialog();
    explicit CPrinterSelectDialog(PrinterSpooler& spooler);

    // 0 while the main window starts up; only the automatic choice reads it.
    int m_bStartupDone = 0;
    // Rows found by the last run.
    int m_nPrinterCount = 0;
    // In: the printer in use. Out: the chosen printer (or the refused "FILE:" row).
    std::wstring m_strPrinterName;
    std::wstring m_strPort;
    HWND m_listPrinters = nullptr;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;
    const MessageMapBase* GetMessageMap() const override;

private:
    LRESULT OnDblClkList(NMHDR* header);

    void AddRow(const PrinterEntry& entry);
    int PreselectedRow() const;
    bool AllRowsOnFile() const;
    int RowCount() const;
    int SelectedRow() const;
    std::wstring RowText(int row, int column) const;

    WinPrinterSpooler m_realSpooler;
    PrinterSpooler& m_spooler;
};
