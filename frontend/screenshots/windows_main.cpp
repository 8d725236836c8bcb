// Renders the explanation window, the condition input window (fresh and after
// the conditions were written) and the program's icons to PNG files, without a
// display, so that a reviewer can look at them.
//   windows_main [output folder]      (default: screenshots)

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPushButton>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <cstdio>

#include "input/form1.h"
#include "shell/artwork.h"
#include "shell/form3.h"
#include "shell/message_sink.h"
#include "shell/module1.h"
#include "shell/ui_style.h"

namespace {

class PrintingSink : public tessaray::MessageSink {
public:
    void warning(QWidget*, const QString& text) override { std::printf("warning: %s\n", qPrintable(text)); }
    bool confirm(QWidget*, const QString& text) override {
        std::printf("confirm: %s\n", qPrintable(text));
        return false;
    }
    bool ask(QWidget*, const QString& text) override {
        std::printf("question: %s\n", qPrintable(text));
        return false;
    }
    void fatal(QWidget*, const QString& text) override { std::printf("error: %s\n", qPrintable(text)); }
};

bool save(QWidget* window, const QDir& folder, const QString& name) {
    window->show();
    QCoreApplication::processEvents();
    const QString path = folder.filePath(name);
    if (!window->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
    tessaray::installFontSubstitutions();
    const QDir out(QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots")).absolutePath());
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out.path()));
        return 1;
    }
    // Form1 writes "B2F.dat" into the working directory: use a scratch one.
    QTemporaryDir scratch;
    if (!scratch.isValid() || !QDir::setCurrent(scratch.path())) return 1;

    bool ok = true;
    tessaray::Module1 state;
    PrintingSink messages;

    tessaray::Form3 form3;
    ok &= save(&form3, out, QStringLiteral("form3.png"));

    tessaray::Form1 form1(state, messages, [](int) {});
    ok &= save(&form1, out, QStringLiteral("form1.png"));
    form1.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    ok &= save(&form1, out, QStringLiteral("form1_written.png"));

    // The icons at their own size and enlarged.
    QImage sheet(5 * 80, 80 + 80, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    const QStringList names = {QStringLiteral("tessaray"), QStringLiteral("form1_icon"), QStringLiteral("form2_icon"),
                               QStringLiteral("form3_icon"), QStringLiteral("arrow_down")};
    for (int i = 0; i < names.size(); ++i) {
        painter.drawPixmap(i * 80 + 24, 16, tessaray::artworkPixmap(names[i], 32));
        painter.drawPixmap(i * 80 + 8, 80, tessaray::artworkPixmap(names[i], 64));
    }
    painter.end();
    const QString iconPath = out.filePath(QStringLiteral("icons.png"));
    ok &= sheet.save(iconPath);
    std::printf("%s\n", qPrintable(iconPath));
    QDir::setCurrent(QDir::tempPath());
    return ok ? 0 : 1;
}
