#include "question_notice.h"

#include "administration/icon_window.h"
#include "administration/survey_run.h"
#include "platform/ui/errors.h"
#include "platform/ui/fonts.h"
#include "ui_question_notice.h"

#include <QCloseEvent>

vui::GlobalForm<TForm4> Form4;

TForm4::TForm4(QWidget* owner, bool opening)
    : vui::Form(nullptr)
    , ui(std::make_unique<Ui::TForm4>())
    , m_opener(owner)
{
    if (opening)
        m_run = runFor(owner);
    // The chain's windows hang off the window that started it, not off one
    // another: each is released once the next one is on screen.
    setParent(opening ? chainParent(m_run, owner) : owner, windowFlags());
    ui->setupUi(this);
    vui::usePixelFonts(this);
    Label1 = ui->Label1;
    BitBtn1 = ui->BitBtn1;
    setDialogFrame(544, 375);
    // A buddy makes the label treat '&' as a mnemonic marker.
    Label1->setBuddy(BitBtn1);
    BitBtn1->setKind(vui::BitBtn::OK);
    onClick(BitBtn1, this, &TForm4::BitBtn1Click);
    if (opening)
        vui::guarded([this] { FormCreate(); });
}

TForm4::~TForm4() = default;

TForm4* TForm4::open(QWidget* owner)
{
    TForm4* notice = takeSpare(owner, &SurveyRun::spareNotice);
    if (!notice)
        return new TForm4(owner);
    notice->m_opener = owner;
    notice->restoreDialogFrame();
    vui::guarded([notice] { notice->FormCreate(); });
    return notice;
}

void TForm4::closeEvent(QCloseEvent* event)
{
    if (!refuseUserClose(m_run, event))
        vui::Form::closeEvent(event);
}

void TForm4::FormCreate()
{
    setWindowTitle(QStringLiteral("Vesmarin - Encuesta"));
    Label1->setText(m_run->question(m_run->siguiente));
}

void TForm4::BitBtn1Click()
{
    TForm5* icons = TForm5::open(this);
    icons->show();
    hide();
    // Hidden until the next question's notice is this one made again.
    m_run->spareNotice = this;
}

TForm4* openFirstNotice(QWidget* owner)
{
    auto* notice = new TForm4(owner);
    notice->run()->start();
    notice->show();
    notice->run()->advance();
    return notice;
}
