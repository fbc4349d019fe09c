#include "application.h"

#include "administration/icon_window.h"
#include "administration/question_notice.h"
#include "authoring/change_question_dialog.h"
#include "authoring/new_survey_dialog.h"
#include "authoring/question_entry_dialog.h"
#include "authoring/survey_list.h"
#include "platform/db/database.h"
#include "platform/ui/fonts.h"
#include "platform/ui/form.h"
#include "reporting/report_choice.h"
#include "reporting/report_form.h"
#include "resources/pictures.h"
#include "shell/about_box.h"
#include "shell/main_window.h"
#include "shell/run_state.h"
#include "store/data_module.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

void prepareApplication()
{
    vui::installFonts();
    // Qt's own dialogs (printing, page set-up, files) in the program's language.
    auto* qtTexts = new QTranslator(qApp);
    if (qtTexts->load(QStringLiteral("qtbase_es"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTexts);
    QApplication::setWindowIcon(QIcon(vres::picture(QStringLiteral("program_icon"), vres::kProgramIconSize)));
}

void createGlobalInstances()
{
    Form1 = new TForm1;
    MainWindow = Form1;
    Form2.makeOnFirstUse();
    Form3.makeOnFirstUse();
    Form4.makeOnFirstUse();
    Form5.makeOnFirstUse();
    DataModule6 = new TDataModule6;
    // The main window's data-aware edit names a source of the module, which
    // did not exist when the window was made.
    Form1->bindDataControls();
    Form7.makeOnFirstUse();
    Form8.makeOnFirstUse();
    Form9.makeOnFirstUse();
    Form10.makeOnFirstUse();
    Form11.makeOnFirstUse();
}

void showMainWindow()
{
    Form1->showMaximized();
}

void releaseGlobalInstances()
{
    // The dialogs opened during the run belong to the main window and may
    // still refer to the tables: they go before the data module.
    delete Form1;
    Form1 = nullptr;
    Form11.release();
    Form10.release();
    Form9.release();
    Form8.release();
    Form7.release();
    Form5.release();
    Form4.release();
    Form3.release();
    Form2.release();
    delete DataModule6;
    DataModule6 = nullptr;
}

int runApplication(int& argc, char** argv)
{
    QApplication app(argc, argv);
    prepareApplication();
    createGlobalInstances();
    showMainWindow();
    const int code = QApplication::exec();
    releaseGlobalInstances();
    // The connections close while Qt's SQL layer is still there.
    vdb::Database::closeAll();
    return code;
}
