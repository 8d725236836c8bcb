#pragma once
// Form1, the condition input window: the irradiation conditions of one run,
// written to "B2F.dat"; starts the engine and opens the result viewer.

#include <QWidget>

#include "input/run_parameter_file.h"
#include "shell/message_sink.h"
#include "shell/module1.h"
#include "shell/program_end.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tessaray {

class Form1 : public QWidget {
    Q_OBJECT
public:
    Form1(Module1& state, MessageSink& messages, EndProgram endProgram, QWidget* parent = nullptr);

    // The checks made before anything is written; shows the first failing
    // check's message, focuses the box it is about and returns false. After
    // the empty box, the tube voltage and the field size come the values the
    // engine would refuse (a negative value, a target angle not strictly
    // between 0 and 90 degrees) and a result file name the engine would cut.
    bool validateConditions();
    // "条件設定 OK": check, write "B2F.dat", enable and focus "シミュレーション Go".
    void writeRunParameters();
    // "シミュレーション Go": start the engine, disable the button.
    void launchEngine();
    // "終了": delete "B2F.dat", end the program.
    void exitProgram();

    // The conditions as they would be written now (text boxes read as numbers).
    RunConditions currentConditions() const;

signals:
    // "計算結果を見る".
    void seeResultsRequested();
    // The close box: "B2F.dat" is deleted and the window discards itself.
    void closedByUser();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setDefaults();
    // Shows `message` as a warning, then puts the focus on Text`box` with its
    // text selected, so that the entry can be corrected at once.
    bool refuse(int box, const QString& message);
    // True when the result file named in Text8 is absent from the working
    // folder, or when the user agrees to its replacement.
    bool resultFileMayBeReplaced();

    Module1& state_;
    MessageSink& messages_;
    EndProgram endProgram_;
    QLineEdit* text_[9] = {};  // Text1..Text8 at indices 1..8
    QRadioButton* option_[8] = {};  // Option1..Option7 at indices 1..7
    QPushButton* command1_ = nullptr;
    QPushButton* command2_ = nullptr;
    QPushButton* command3_ = nullptr;
    QPushButton* command4_ = nullptr;
    bool focusedOnce_ = false;
};

}  // namespace tessaray
