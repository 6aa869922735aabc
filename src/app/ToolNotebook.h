#pragma once

#include "app/Artwork.h"

#include <QWidget>

#include <vector>

class QButtonGroup;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

namespace strovik {

// The tool column's notebook (NotebookTools): pages shown one at a time, switched by the operator
// only through the page buttons above them, which the login state shows or hides.
class TToolNotebook final : public QWidget {
    Q_OBJECT

public:
    explicit TToolNotebook(QWidget* parent = nullptr);

    // Appends a page with its page button.
    void addPage(QWidget* page, const QString& caption, Picture picture);
    void setPageCaption(int index, const QString& caption);
    QString pageCaption(int index) const;

    int currentPage() const;
    // Selects a page from code; pageChanged follows when it is a different page.
    void setCurrentPage(int index);
    QWidget* page(int index) const;
    int pageCount() const;

    void setPageButtonsVisible(bool visible);
    bool pageButtonsVisible() const;

Q_SIGNALS:
    void pageChanged(int index);

private:
    QVBoxLayout* buttonColumn_ = nullptr;
    QWidget* buttonPanel_ = nullptr;
    QButtonGroup* buttons_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    std::vector<QToolButton*> pageButtons_;
};

}  // namespace strovik
