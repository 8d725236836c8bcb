#include "app/navigator.h"

#include "input/form1.h"
#include "shell/coefficient_table.h"
#include "shell/form3.h"
#include "shell/ui_style.h"
#include "viewer/analysis_window.h"
#include "viewer/form2.h"

namespace tessaray {

Navigator::Navigator(Module1& state, MessageSink& messages, EndProgram endProgram, QObject* parent)
    : QObject(parent), state_(state), messages_(messages), endProgram_(std::move(endProgram)) {}

Navigator::~Navigator() {
    // Program end: the windows go without any close handler running.
    delete form2_.data();
    delete form1_.data();
    delete form3_.data();
}

Form1* Navigator::form1() const { return form1_; }
Form2* Navigator::form2() const { return form2_; }
Form3* Navigator::form3() const { return form3_; }

void Navigator::start() { showCentred(ensureForm3()); }

Form3* Navigator::ensureForm3() {
    if (!form3_) {
        form3_ = new Form3;
        connect(form3_, &Form3::okClicked, this, &Navigator::form3Ok);
        connect(form3_, &Form3::cancelClicked, this, [this] { endProgram_(0); });
        connect(form3_, &Form3::closedByUser, this, [this] { endProgram_(0); });
    }
    return form3_;
}

void Navigator::form3Ok() {
    QString error;
    if (!loadCoefficientTable(state_, &error)) {
        messages_.fatal(form3_, error);
        endProgram_(1);
        return;
    }
    showForm1();
    form3_->hide();
}

void Navigator::showForm1() {
    if (!form1_) {
        form1_ = new Form1(state_, messages_, endProgram_);
        connect(form1_, &Form1::seeResultsRequested, this, &Navigator::openResultViewer);
        Form1* closing = form1_;
        connect(form1_, &Form1::closedByUser, this, [this, closing] {
            // The closed window deletes itself; a new one is built with the
            // defaults when Form3's "OK" is pressed again.
            if (form1_ == closing) form1_ = nullptr;
            showCentred(ensureForm3());
        });
        showCentred(form1_);
        return;
    }
    form1_->show();
    form1_->activateWindow();
}

void Navigator::openResultViewer() {
    const bool created = !form2_;
    if (created) {
        form2_ = new Form2(state_, messages_);
        attachAnalysisWindow(*form2_, messages_);
        Form2* viewer = form2_;
        connect(form2_, &Form2::exitRequested, this, [this, viewer] {
            showForm1();
            viewer->hide();
        });
        connect(form2_, &Form2::closedByUser, this, [this, viewer] {
            if (form2_ == viewer) form2_ = nullptr;
            showForm1();
        });
    }
    form2_->applyOpeningState();
    if (created) showCentred(form2_);
    else {
        form2_->show();
        form2_->activateWindow();
    }
    if (form1_) form1_->hide();
}

}  // namespace tessaray
