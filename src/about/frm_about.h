#pragma once

#include <QDialog>

#include "about/about_model.h"

class QLabel;
class QPushButton;

namespace tovrin {

// The version information dialog: fixed, modal over its owner, built anew at
// every opening. OK is both the default and the cancel button, so Enter and
// Esc close it as a click does.
class FrmAbout : public QDialog {
    Q_OBJECT

public:
    // Title and version from the application object.
    explicit FrmAbout(QWidget* owner = nullptr);
    FrmAbout(const AppIdentity& identity, QWidget* owner = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void buildControls();
    void Form_Load(const AppIdentity& identity);
    void cmdOK_Click();

    QLabel* m_picIcon = nullptr;
    QLabel* m_lblTitle = nullptr;
    QLabel* m_lblVersion = nullptr;
    QLabel* m_lblDescription = nullptr;
    QLabel* m_lblDisclaimer = nullptr;
    QPushButton* m_cmdOK = nullptr;
};

// Opens the dialog modally over owner and discards it when it closes.
void ShowAbout(QWidget* owner);

}  // namespace tovrin
