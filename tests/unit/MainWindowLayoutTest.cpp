#include "app/MainWindowLayout.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

TEST(MainWindowLayout, RegionsFollowTheWindowSize) {
    // A client area of 1024 x 733 stands for an outer window of 1024 x 768.
    const MainWindowLayout layout = LayoutMainWindow(QSize(1024, 768 - kFrameHeightAllowance));
    EXPECT_EQ(layout.panelRight, QRect(874, 0, 150, 768 - 73 - 50));
    EXPECT_EQ(layout.panelFloor, QRect(0, 0, 874, 768 - 73 - 35));
    EXPECT_EQ(layout.panelBottom, QRect(0, 660, 1024, 73));
    EXPECT_EQ(layout.panelBottom.bottom() + 1, 733);  // the bar ends at the client area's bottom
    EXPECT_EQ(layout.imagePlayFloor, QRect(0, 0, 1024, 73));
    EXPECT_EQ(layout.groupBoxFileList, QRect(761, 645 - 345, 253, 315));
}

TEST(MainWindowLayout, ToolButtonsSpreadFromTheCentreOfTheVideoArea) {
    const MainWindowLayout layout = LayoutMainWindow(QSize(1024, 733));
    const int c = 437 - kToolButtonSize.width() / 2;
    EXPECT_EQ(layout.screenModeBtn.topLeft(), QPoint(c, 7));
    const struct {
        QRect rect;
        int offset;
    } buttons[] = {{layout.findDevBtn, -168}, {layout.playAllBtn, -112}, {layout.snapBtn, -56},
                   {layout.winFloatBtn, 56},  {layout.setupBtn, 112},    {layout.helpBtn, 168}};
    for (const auto& button : buttons) {
        SCOPED_TRACE(button.offset);
        EXPECT_EQ(button.rect.topLeft(), QPoint(c + button.offset, 7));
        EXPECT_EQ(button.rect.size(), kToolButtonSize);
    }
    // An odd video area width truncates each half on its own.
    EXPECT_EQ(LayoutMainWindow(QSize(1025, 733)).screenModeBtn.left(), 437 - kToolButtonSize.width() / 2);
}

TEST(MainWindowLayout, ExitVolumeAndSpeakerLineUpFromTheRight) {
    const MainWindowLayout layout = LayoutMainWindow(QSize(1280, 765));
    EXPECT_EQ(layout.powerBtn, QRect(QPoint(1280 - kPowerButtonSize.width() - 20, 15), kPowerButtonSize));
    EXPECT_EQ(layout.volumeBar.right() + 1 + 60, layout.powerBtn.left());
    EXPECT_EQ(layout.volumeBar.top(), 35);
    EXPECT_EQ(layout.volumeBar.size(), QSize(150, 12));
    EXPECT_EQ(layout.audioBtn.right() + 1 + 10, layout.volumeBar.left());
    EXPECT_EQ(layout.audioBtn.top(), 30);
    EXPECT_EQ(layout.lblVersion, QRect(12, 20, 70, 14));
}

TEST(MainWindowLayout, PagesKeepTheirDesignPlaces) {
    auto find = [](const std::vector<NamedRect>& places, const char* name) {
        for (const NamedRect& place : places)
            if (QLatin1String(place.name) == QLatin1String(name)) return place.rect;
        return QRect();
    };
    EXPECT_EQ(find(LoginPageGeometry(), "BtnCancel"), QRect(32, 295, 73, 25));
    EXPECT_EQ(find(LoginPageGeometry(), "cbxServerAddr"), QRect(10, 36, 130, 20));
    EXPECT_EQ(find(RecordPageGeometry(), "BtnSearch"), QRect(23, 262, 89, 35));
    EXPECT_EQ(find(PtzPageGeometry(), "LabelBrush"), QRect(52, 251, 40, 13));
    EXPECT_EQ(find(PtzPageGeometry(), "BtnAuto").topLeft(), QPoint(40, 111));
}

TEST(MainWindowLayout, VersionLabelPrefersTheProgramsVersion) {
    EXPECT_EQ(VersionLabelText(std::nullopt, std::nullopt), QStringLiteral("Ver: 9.9.0.0"));
    EXPECT_EQ(VersionLabelText(QStringLiteral("2.1.0.7"), std::nullopt), QStringLiteral("Ver: 2.1.0.7"));
    EXPECT_EQ(VersionLabelText(QStringLiteral("2.1.0.7"), QStringLiteral("1.0.0.0")), QStringLiteral("Ver: 1.0.0.0"));
}

}  // namespace
}  // namespace strovik
