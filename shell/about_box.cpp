#include "about_box.h"

#include "platform/ui/fonts.h"
#include "resources/pictures.h"

#include "ui_about_box.h"

#include <QLabel>

vui::GlobalForm<TForm11> Form11;

TForm11::TForm11(QWidget* owner, bool opening)
    : vui::Form(owner)
    , ui(std::make_unique<Ui::TForm11>())
{
    Q_UNUSED(opening);
    ui->setupUi(this);
    vui::usePixelFonts(this);
    Image1 = ui->Image1;
    Image2 = ui->Image2;
    Bevel1 = ui->Bevel1;
    BitBtn1 = ui->BitBtn1;

    setDialogFrame(544, 375);
    Image2->resize(vres::kAboutBannerSize);

    BitBtn1->setKind(vui::BitBtn::OK);
    onClick(BitBtn1, this, &TForm11::BitBtn1Click);
}

TForm11::~TForm11() = default;

void TForm11::showEvent(QShowEvent* event)
{
    // Drawn when the box is first shown: the instance made at start-up never
    // is, and start-up does not wait for the banner's lettering.
    if (Image1->pixmap().isNull()) {
        // The logo is two pixels taller than its area: centred, it loses a
        // row at the top and one at the bottom.
        Image1->setPixmap(vres::picture(QStringLiteral("about_logo"), vres::kAboutLogoSize));
        Image2->setPixmap(vres::picture(QStringLiteral("about_banner"), vres::kAboutBannerSize));
    }
    vui::Form::showEvent(event);
}

void TForm11::BitBtn1Click()
{
    hide();
}
