// The question-entry dialog for 50 questions, as the new-survey dialog opens
// it: from its creation to its first paint.

#include "authoring/question_entry_dialog.h"
#include "bench_support.h"
#include "platform/ui/fonts.h"
#include "platform/ui/form.h"
#include "shell/run_state.h"

#include <QTimer>

using namespace bench;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    vui::installFontSubstitutions();
    testing_support::TestData data;
    DataModule6 = new TDataModule6;
    QWidget owner;
    PaintClock clock;
    std::vector<double> ms;
    for (int run = 0; run < 20; ++run) {
        NumPreguntas = 50;
        clock.start([](QWidget* w) { return qobject_cast<TForm3*>(w) != nullptr; });
        auto* dialog = new TForm3(&owner);
        dialog->setWindowTitle(QStringLiteral("Vesmarin - Inserta Tus Preguntas ...."));
        QTimer::singleShot(0, dialog, [&] {
            ms.push_back(clock.wait());
            dialog->done(vui::mrOk);
        });
        dialog->showModal();
        delete dialog;
    }
    const double first = ms.front(); // the first also polishes fonts and styles
    std::printf("question-entry dialog: first opening %.2f ms\n", first);
    figure("question-entry dialog, 50 questions: to painted", median(ms), "ms", "< 50 ms", median(ms) < 50);
    delete DataModule6;
    return 0;
}
