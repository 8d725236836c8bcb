#pragma once
// Form1, the condition input window: the irradiation conditions of one run,
// written to "B2F.dat"; starts the engine and opens the result viewer.

#include <QWidget>

#include <array>

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
    // Shows `message` as a warning, then puts the focus on `box` with its
    // text selected, so that the entry can be corrected at once.
    bool refuse(QLineEdit* box, const QString& message);
    // The eight text boxes in their order on the window (Text1..Text8).
    std::array<QLineEdit*, 8> entries() const;
    // True when the result file named in Text8 is absent from the working
    // folder, or when the user agrees to its replacement.
    bool resultFileMayBeReplaced();

    Module1& state_;
    MessageSink& messages_;
    EndProgram endProgram_;
    // The controls by role; their object names are the designer names.
    QLineEdit* tubeVoltageBox_ = nullptr;         // Text1, kV
    QLineEdit* targetAngleBox_ = nullptr;         // Text2, degrees
    QLineEdit* inherentFiltrationBox_ = nullptr;  // Text3, mm Al eq.
    QLineEdit* aluminiumFilterBox_ = nullptr;     // Text4, mm
    QLineEdit* copperFilterBox_ = nullptr;        // Text5, mm
    QLineEdit* fieldDiameterBox_ = nullptr;       // Text6, cm
    QLineEdit* photonsBox_ = nullptr;             // Text7, photons per cm2
    QLineEdit* resultNameBox_ = nullptr;          // Text8, result file name without ".csv"
    QRadioButton* birchOption_ = nullptr;              // Option1
    QRadioButton* tuckerOption_ = nullptr;             // Option2
    QRadioButton* waterOption_ = nullptr;              // Option3
    QRadioButton* softTissueOption_ = nullptr;         // Option4
    QRadioButton* singlePhaseOption_ = nullptr;        // Option5
    QRadioButton* threePhaseOption_ = nullptr;         // Option6
    QRadioButton* constantPotentialOption_ = nullptr;  // Option7
    QPushButton* writeButton_ = nullptr;    // Command1 "条件設定 OK"
    QPushButton* goButton_ = nullptr;       // Command2 "シミュレーション Go"
    QPushButton* exitButton_ = nullptr;     // Command3 "終了"
    QPushButton* resultsButton_ = nullptr;  // Command4 "計算結果を見る"
    bool focusedOnce_ = false;
};

}  // namespace tessaray
