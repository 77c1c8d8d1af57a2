#include "messagebox.h"

#include <QAbstractButton>
#include <QIcon>
#include <QMessageBox>

namespace runtime {

void messageBox(const QString& prompt, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::Ok);
    QAbstractButton* ok = box.button(QMessageBox::Ok);
    ok->setText(QStringLiteral("ОК"));
    // Some styles put an icon on dialog buttons; this box has none anywhere.
    ok->setIcon(QIcon());
    // The only button is also the one Escape and the close button press.
    box.setEscapeButton(ok);
    box.exec();
}

} // namespace runtime
