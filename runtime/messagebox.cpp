#include "messagebox.h"

#include <QAbstractButton>
#include <QIcon>
#include <QMessageBox>

namespace runtime {

void messageBox(const QString& prompt, const QString& title) {
    auto* box = new QMessageBox(QMessageBox::NoIcon, title, prompt, QMessageBox::Ok);
    // Freed from the event loop once dismissed, so that tearing it down does not
    // hold up whatever the program shows next.
    box->setAttribute(Qt::WA_DeleteOnClose);
    QAbstractButton* ok = box->button(QMessageBox::Ok);
    ok->setText(QStringLiteral("ОК"));
    // Some styles put an icon on dialog buttons; this box has none anywhere.
    ok->setIcon(QIcon());
    // The only button is also the one Escape and the close button press.
    box->setEscapeButton(ok);
    box->exec();
}

} // namespace runtime
