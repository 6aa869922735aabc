#include "app/ToolNotebook.h"

#include <QButtonGroup>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace strovik {

TToolNotebook::TToolNotebook(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("NotebookTools"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    buttonPanel_ = new QWidget(this);
    buttonPanel_->setObjectName(QStringLiteral("NotebookPageButtons"));
    buttonColumn_ = new QVBoxLayout(buttonPanel_);
    buttonColumn_->setContentsMargins(2, 2, 2, 4);
    buttonColumn_->setSpacing(1);
    column->addWidget(buttonPanel_);

    pages_ = new QStackedWidget(this);
    pages_->setObjectName(QStringLiteral("NotebookPages"));
    pages_->setFrameShape(QFrame::NoFrame);
    column->addWidget(pages_, 1);

    buttons_ = new QButtonGroup(this);
    buttons_->setExclusive(true);
    connect(buttons_, &QButtonGroup::idClicked, this, &TToolNotebook::setCurrentPage);
    connect(pages_, &QStackedWidget::currentChanged, this, [this](int index) {
        if (index >= 0 && index < pageCount()) pageButtons_[static_cast<std::size_t>(index)]->setChecked(true);
        Q_EMIT pageChanged(index);
    });
}

void TToolNotebook::addPage(QWidget* page, const QString& caption, Picture picture) {
    const int index = pages_->count();
    auto* button = new QToolButton(buttonPanel_);
    button->setObjectName(QStringLiteral("PageButton%1").arg(index));
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setIcon(PictureIcon(picture));
    button->setIconSize(QSize(18, 18));
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setFixedHeight(24);
    button->setText(caption);
    buttons_->addButton(button, index);
    buttonColumn_->addWidget(button);
    pageButtons_.push_back(button);
    // The stack takes the first page as current without a change: mark its button here.
    pages_->addWidget(page);
    if (index == pages_->currentIndex()) button->setChecked(true);
}

void TToolNotebook::setPageCaption(int index, const QString& caption) {
    if (index >= 0 && index < pageCount()) pageButtons_[static_cast<std::size_t>(index)]->setText(caption);
}

QString TToolNotebook::pageCaption(int index) const {
    return index >= 0 && index < pageCount() ? pageButtons_[static_cast<std::size_t>(index)]->text() : QString();
}

int TToolNotebook::currentPage() const { return pages_->currentIndex(); }

void TToolNotebook::setCurrentPage(int index) {
    if (index >= 0 && index < pageCount()) pages_->setCurrentIndex(index);
}

QWidget* TToolNotebook::page(int index) const { return pages_->widget(index); }

int TToolNotebook::pageCount() const { return pages_->count(); }

void TToolNotebook::setPageButtonsVisible(bool visible) { buttonPanel_->setVisible(visible); }

bool TToolNotebook::pageButtonsVisible() const { return !buttonPanel_->isHidden(); }

}  // namespace strovik
