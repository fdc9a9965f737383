#pragma once

#include "cartridge_overview.h"
#include "platform/operator_interface.h"

#include <QDialog>
#include <memory>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace orvane {

// The tape-change prompt of a virtual library: the request's text and the library's cartridges,
// with "Insert" for the selected one and "New cartridge…" to make one. OK goes on with the
// cartridge in the drive (the selected one is inserted first when it is not loaded yet); Cancel
// gives up the operation that waits. The cartridge the request asks for is preselected.
class TapeChangeDialog : public QDialog {
    Q_OBJECT
public:
    // The list's columns.
    enum Column { Name, Capacity, Used, Loaded, Label, TapeNumber, SetDate, ColumnCount };

    TapeChangeDialog(std::shared_ptr<VirtualTapeLibrary> library, const TapeRequest& request,
                     QWidget* parent);

    QString SelectedCartridge() const;
    bool SelectCartridge(const QString& name);

    // "Insert": loads the selected cartridge; false (after saying why) when it could not.
    bool InsertSelected();
    // "New cartridge…": asks for name and capacity, makes the cartridge and selects it.
    void NewCartridge();
    void accept() override;

private:
    void Refresh(const QString& select);
    QString FreeCartridgeName() const;
    int64_t DefaultCapacity() const;
    void ShowError(const QString& text);

    std::shared_ptr<VirtualTapeLibrary> m_library;
    TapeRequest m_request;
    std::vector<CartridgeOverview> m_cartridges;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_insert = nullptr;
};

// The text of a tape's set date in the list; empty for a tape without one.
QString SetDateText(const CartridgeOverview& cartridge);

} // namespace orvane
