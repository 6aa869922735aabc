#include "app/BottomBar.h"

#include "app/Artwork.h"
#include "app/MainWindowLayout.h"
#include "liveview/GridLayout.h"
#include "platform/NamedControls.h"

#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

namespace strovik {

namespace {

constexpr int kScreenModeTag = 1;
constexpr int kSetupTag = 2;

QToolButton* toolButton(QWidget* parent, const char* name, const QString& hint, Picture picture) {
    auto* button = MakeControl<QToolButton>(parent, name);
    button->setToolTip(hint);
    button->setIcon(PictureIcon(picture));
    button->setIconSize(QSize(34, 34));
    button->setAutoRaise(true);
    return button;
}

}  // namespace

TBottomBar::TBottomBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PanelBottom"));
    ImagePlayFloor = MakeControl<QLabel>(this, "ImagePlayFloor");
    ImagePlayFloor->setScaledContents(true);

    lblVersion = MakeControl<QLabel>(this, "lblVersion", QStringLiteral("Ver: 9.9.0.0"));
    QFont small = lblVersion->font();
    small.setPixelSize(10);
    lblVersion->setFont(small);

    FindDevBtn = toolButton(this, "FindDevBtn", QStringLiteral("搜索设备"), Picture::FindDevice);
    PlayAllBtn = toolButton(this, "PlayAllBtn", QStringLiteral("实时监控"), Picture::PlayAll);
    SnapBtn = toolButton(this, "SnapBtn", QStringLiteral("图像抓拍"), Picture::Snapshot);
    ScreenModeBtn = toolButton(this, "ScreenModeBtn", QStringLiteral("显示模式"), Picture::ScreenMode);
    ScreenModeBtn->setProperty("tag", kScreenModeTag);
    WinFloatBtn = toolButton(this, "WinFloatBtn", QStringLiteral("窗口悬浮"), Picture::FloatWindow);
    SetupBtn = toolButton(this, "SetupBtn", QStringLiteral("系统设置"), Picture::Setup);
    SetupBtn->setProperty("tag", kSetupTag);
    HelpBtn = toolButton(this, "HelpBtn", QStringLiteral("帮助提示"), Picture::Help);

    AudioBtn = MakeControl<QToolButton>(this, "AudioBtn");
    AudioBtn->setIcon(PictureIcon(Picture::Speaker));
    AudioBtn->setIconSize(QSize(20, 20));
    AudioBtn->setAutoRaise(true);
    VolumeBar = MakeControl<QSlider>(this, "VolumeBar");
    VolumeBar->setOrientation(Qt::Horizontal);
    VolumeBar->setToolTip(QStringLiteral("音量调节"));
    VolumeBar->setRange(0, 255);
    VolumeBar->setValue(0);

    PowerBtn = MakeControl<QToolButton>(this, "PowerBtn");
    PowerBtn->setToolTip(QStringLiteral("退出系统"));
    PowerBtn->setIcon(PictureIcon(Picture::Power));
    PowerBtn->setIconSize(QSize(34, 34));
    PowerBtn->setAutoRaise(true);

    RecAllBtn = MakeControl<QPushButton>(this, "RecAllBtn", QStringLiteral("开始所有录像"));
    RecChnBtn = MakeControl<QPushButton>(this, "RecChnBtn", QStringLiteral("开始录像"));

    ScreenModeMenu = MakeControl<QMenu>(this, "ScreenModeMenu");
    const char* const layoutItems[] = {"N1Frame", "N4Frame", "N9Frame", "N16Frame", "N25Frame", "N36Frame", "N64Frame"};
    const char* const layoutCaptions[] = {"1    画面", "4    画面", "9    画面", "16  画面",
                                          "25  画面", "36  画面", "64  画面"};
    for (std::size_t i = 0; i < std::size(kGridLayouts); ++i) {
        const int n = kGridLayouts[i];
        QAction* item = AddMenuItem(ScreenModeMenu, layoutItems[i], QString::fromUtf8(layoutCaptions[i]));
        item->setData(n);
        connect(item, &QAction::triggered, this, [this, n] { Q_EMIT layoutChosen(n); });
    }
    AddMenuItem(ScreenModeMenu, "NFULLScr", QStringLiteral("全屏"));
    ScreenModeMenu->addSeparator();
    AddMenuItem(ScreenModeMenu, "NUpPage", QStringLiteral("向上翻页"));
    AddMenuItem(ScreenModeMenu, "NDownPage", QStringLiteral("向下翻页"));

    SetupMenu = MakeControl<QMenu>(this, "SetupMenu");
    AddMenuItem(SetupMenu, "N1", QStringLiteral("系统设置"));
    SetupMenu->addSeparator();
    AddMenuItem(SetupMenu, "NLanguage", QStringLiteral("语言选择"));

    ScreenModeBtn->installEventFilter(this);
    SetupBtn->installEventFilter(this);
}

void TBottomBar::applyLayout(const MainWindowLayout& layout, const QString& versionText) {
    ImagePlayFloor->setGeometry(layout.imagePlayFloor);
    if (ImagePlayFloor->pixmap().size() != layout.imagePlayFloor.size())
        ImagePlayFloor->setPixmap(BottomBarBackground(layout.imagePlayFloor.size()));
    ImagePlayFloor->lower();
    ScreenModeBtn->setGeometry(layout.screenModeBtn);
    FindDevBtn->setGeometry(layout.findDevBtn);
    PlayAllBtn->setGeometry(layout.playAllBtn);
    SnapBtn->setGeometry(layout.snapBtn);
    WinFloatBtn->setGeometry(layout.winFloatBtn);
    SetupBtn->setGeometry(layout.setupBtn);
    HelpBtn->setGeometry(layout.helpBtn);
    PowerBtn->setGeometry(layout.powerBtn);
    VolumeBar->setGeometry(layout.volumeBar);
    AudioBtn->setGeometry(layout.audioBtn);
    lblVersion->setGeometry(layout.lblVersion);
    RecAllBtn->setGeometry(layout.recAllBtn);
    RecChnBtn->setGeometry(layout.recChnBtn);
    lblVersion->setText(versionText);
}

bool TBottomBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && (watched == ScreenModeBtn || watched == SetupBtn)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            ScreenModeBtnMouseUp(static_cast<QToolButton*>(watched), mouse->position().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}

void TBottomBar::ScreenModeBtnMouseUp(QToolButton* button, QPoint position) {
    QMenu* menu = button->property("tag").toInt() == kScreenModeTag ? ScreenModeMenu : SetupMenu;
    menu->popup(button->mapToGlobal(position));
}

}  // namespace strovik
