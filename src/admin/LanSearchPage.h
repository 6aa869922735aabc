#pragma once

#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace strovik {

class CallbackRelay;
class DeviceTree;
class DiscoveryLibrary;
class LanCameraList;
class StringTable;
class UiServices;
struct DiscoveredCamera;

struct LanSearchContext {
    DeviceTree& tree;
    const StringTable& strings;
    UiServices& ui;
    std::shared_ptr<DiscoveryLibrary> discovery;  // may be null
};

// The device editor's LAN search page (Dev_Find_Tab): a search fills the camera list, the row editor
// corrects a row, OK adds the checked cameras and refreshes the known ones. Discovery reports come
// on a library thread and are handled here on the GUI thread, one by one in the order of arrival;
// reports that arrive after the page is gone are dropped. GUI thread only.
class TLanSearchPage final : public QWidget {
    Q_OBJECT

public:
    TLanSearchPage(LanSearchContext context, QWidget* parent);
    ~TLanSearchPage() override;

    LanCameraList& list() { return *list_; }
    bool searching() const { return searching_; }
    // Ends a search whose SearchDone never comes (a library that lost it), so that OK and Cancel do
    // not stay disabled for good.
    QTimer& searchDeadline() { return searchDeadline_; }
    static constexpr int kSearchDeadlineMs = 30000;
    int camerasFound() const { return found_; }

    QGroupBox* GroupBox5 = nullptr;
    QTreeView* DevList = nullptr;
    QGroupBox* GroupBox6 = nullptr;
    QLabel* SelDevNamelbl = nullptr;
    QLabel* SelDevIPlbl = nullptr;
    QLabel* SelUserLbl = nullptr;
    QLabel* SelPwdlbl = nullptr;
    QLineEdit* SelDevIDEdit = nullptr;
    QLineEdit* SelDevIPEdit = nullptr;
    QLineEdit* UserEdit2 = nullptr;
    QLineEdit* PwdEdit2 = nullptr;
    QPushButton* ModifyBtn = nullptr;
    QPushButton* FindBtn = nullptr;
    QPushButton* AutoFindBtnOK = nullptr;
    QPushButton* AutoFindNoBtn = nullptr;
    // Whether a search runs and how many cameras it listed.
    QLabel* SearchStatus = nullptr;

    void ApplyLanguage();
    void FindBtnClick();
    // One report: camera null with code SearchDone for the end of the search.
    void OnDialogSearchResult(const DiscoveredCamera* camera, std::int32_t code);
    void DevListSelectItem();
    void ModifyBtnClick();
    void AutoFindBtnOKClick();

Q_SIGNALS:
    void treeAboutToChange();
    // OK has applied the rows: the editor closes with OK.
    void okFinished();
    void cancelClicked();

private:
    void showSearchStatus();
    int selectedRow() const;

    LanSearchContext context_;
    LanCameraList* list_ = nullptr;
    std::shared_ptr<CallbackRelay> relay_;
    QTimer searchDeadline_;
    bool searching_ = false;
    // True while one camera is being added; a report that finds it set is dropped.
    bool searchBusy_ = false;
    int found_ = 0;
};

}  // namespace strovik
