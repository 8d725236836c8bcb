#pragma once
// Every message box of Tessaray goes through this interface, so that tests can
// record what the user would have been shown instead of blocking on a dialog.

#include <QString>

class QWidget;

namespace tessaray {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // A warning with one OK button and the title "Tessaray".
    virtual void warning(QWidget* parent, const QString& text) = 0;
    // A question with OK and Cancel and no icon; true for OK.
    virtual bool confirm(QWidget* parent, const QString& text) = 0;
    // A question with Yes and No, No the default; true for Yes.
    virtual bool ask(QWidget* parent, const QString& text) = 0;
    // A failure the program does not handle: an error box, after which the
    // caller ends the program.
    virtual void fatal(QWidget* parent, const QString& text) = 0;
};

// The real dialogs (QMessageBox).
class DialogMessageSink : public MessageSink {
public:
    void warning(QWidget* parent, const QString& text) override;
    bool confirm(QWidget* parent, const QString& text) override;
    bool ask(QWidget* parent, const QString& text) override;
    void fatal(QWidget* parent, const QString& text) override;
};

}  // namespace tessaray
