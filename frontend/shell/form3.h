#pragma once
// Form3, the explanation window: what the system computes, a drawing of the
// phantom, "OK" to go on to the condition input and "Cancel" to end.

#include <QWidget>

class QPushButton;

namespace tessaray {

class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(QWidget* parent = nullptr);

    QPushButton* okButton() const { return okButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

signals:
    // "OK": load the coefficient table, show Form1, hide this window.
    void okClicked();
    // "Cancel": end the program.
    void cancelClicked();
    // The close box: end the program.
    void closedByUser();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* okButton_ = nullptr;      // Command1 "OK"
    QPushButton* cancelButton_ = nullptr;  // Command2 "Cancel"
};

}  // namespace tessaray
