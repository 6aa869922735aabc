#include "liveview/ViewForm.h"

#include "liveview/MyView.h"
#include "platform/NamedControls.h"

#include <QMenu>

namespace strovik {

TViewForm::TViewForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ViewForm"));
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(0x20, 0x23, 0x28));
    setPalette(background);

    // Created first, so that it lies behind every window and shows only as a 1-pixel rim.
    selectionFrame_ = new QWidget(this);
    selectionFrame_->setObjectName(QStringLiteral("selectionFrame"));
    selectionFrame_->setAutoFillBackground(true);
    QPalette lime = selectionFrame_->palette();
    lime.setColor(QPalette::Window, QColor(0, 255, 0));
    selectionFrame_->setPalette(lime);
    selectionFrame_->hide();

    for (int i = 0; i < kGridWindowCount; ++i) {
        auto* view = new TMyView(i + kWindowTagBase, this);
        view->setGeometry(0, 0, 0, 0);
        connect(view, &TMyView::pressed, this, &TViewForm::VideoFrameMouseDown);
        views_[static_cast<std::size_t>(i)] = view;
    }

    pmMain_ = MakeControl<QMenu>(this, "pmMain");
    AddMenuItem(pmMain_, "NStopReceive", QStringLiteral("停止视频"));
    AddMenuItem(pmMain_, "NStopAll", QStringLiteral("停止所有"));
    nFullscreen_ = AddMenuItem(pmMain_, "NFullscreen", QStringLiteral("全屏/正常"));
}

TViewForm::~TViewForm() = default;

TMyView* TViewForm::view(int index) const {
    return index >= 0 && index < kGridWindowCount ? views_[static_cast<std::size_t>(index)] : nullptr;
}

void TViewForm::SetLayout(int n) {
    for (int i = 0; i < kGridWindowCount; ++i) {
        TMyView* window = views_[static_cast<std::size_t>(i)];
        if (i < n) {
            window->setGeometry(GridWindowRect(n, i, size()));
            window->show();
        } else {
            window->hide();
        }
    }
    layout_ = n;
    SelectWindow(selected_ < n ? selected_ : 0);
}

void TViewForm::SelectWindow(int index) {
    if (index >= 0 && index < kGridWindowCount) selected_ = index;
    if (selected_ < layout_) {
        const QRect window = views_[static_cast<std::size_t>(selected_)]->geometry();
        selectionFrame_->setGeometry(window.adjusted(-1, -1, 1, 1));
        selectionFrame_->show();
    } else {
        selectionFrame_->hide();
    }
}

void TViewForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    SetLayout(layout_);
}

void TViewForm::VideoFrameMouseDown(int tag, Qt::MouseButton button, QPoint globalPosition) {
    const int index = tag - kWindowTagBase;
    if (index < 0 || index >= kGridWindowCount) return;
    SelectWindow(index);
    if (button == Qt::RightButton) pmMain_->popup(globalPosition);
}

}  // namespace strovik
