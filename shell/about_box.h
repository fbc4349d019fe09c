#pragma once
// The about box: the program's pictures and a few lines about what it does.

#include "platform/ui/form.h"

#include <memory>

class QFrame;
class QLabel;

namespace Ui {
class TForm11;
}

class TForm11 : public vui::Form
{
    Q_OBJECT
public:
    // The box has no creation action: `opening` changes nothing.
    explicit TForm11(QWidget* owner = nullptr, bool opening = true);
    ~TForm11() override;

    void BitBtn1Click();

    QLabel* Image1;
    QLabel* Image2;
    QFrame* Bevel1;
    vui::BitBtn* BitBtn1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TForm11> ui;
};

extern vui::GlobalForm<TForm11> Form11;
