#include "shell/message_sink.h"

#include <QMessageBox>

namespace tessaray {

namespace {
const QString kTitle = QStringLiteral("Tessaray");
}

void DialogMessageSink::warning(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, kTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

bool DialogMessageSink::confirm(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, kTitle, text, QMessageBox::Ok | QMessageBox::Cancel, parent);
    return box.exec() == QMessageBox::Ok;
}

bool DialogMessageSink::ask(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, kTitle, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void DialogMessageSink::fatal(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, kTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace tessaray
