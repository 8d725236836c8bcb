#pragma once
// The composition root of Tessaray: builds the three windows when each is
// first needed, wires them together and moves between them as the user asks. Hiding a window
// keeps its state; closing one with its close box discards it.

#include <QObject>
#include <QPointer>

#include "shell/message_sink.h"
#include "shell/module1.h"
#include "shell/program_end.h"

namespace tessaray {

class Form1;
class Form2;
class Form3;

class Navigator : public QObject {
    Q_OBJECT
public:
    Navigator(Module1& state, MessageSink& messages, EndProgram endProgram, QObject* parent = nullptr);
    ~Navigator() override;

    // Program start: shows Form3 and nothing else.
    void start();

    // The windows that exist now (null when not created or discarded).
    Form1* form1() const;
    Form2* form2() const;
    Form3* form3() const;

private:
    void form3Ok();
    void openResultViewer();
    void showForm1();
    Form3* ensureForm3();

    Module1& state_;
    MessageSink& messages_;
    EndProgram endProgram_;
    QPointer<Form1> form1_;
    QPointer<Form2> form2_;
    QPointer<Form3> form3_;
};

}  // namespace tessaray
