#include "ui/help_window.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPointer>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "ui/named.h"

namespace ui {

QWidget* ShowHelpWindow(const std::string& markdown) {
  static QPointer<QDialog> shown;
  if (!shown) {
    shown = Named(new QDialog(nullptr, Qt::Window), "HelpWindow");
    shown->setAttribute(Qt::WA_DeleteOnClose);
    shown->setWindowTitle(QStringLiteral("使用说明"));
    auto* layout = new QVBoxLayout(shown);
    auto* text = Named(new QTextBrowser(shown), "HelpText");
    text->setOpenExternalLinks(false);
    layout->addWidget(text, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, shown);
    QObject::connect(buttons, &QDialogButtonBox::rejected, shown, &QDialog::close);
    layout->addWidget(buttons);
    // Wide enough for the table of the menu, as tall as the screen allows.
    const QFontMetrics metrics(shown->font());
    const QScreen* screen = QApplication::primaryScreen();
    const int tall = screen ? screen->availableGeometry().height() * 3 / 4 : 600;
    shown->resize(metrics.averageCharWidth() * 100, std::min(tall, metrics.height() * 45));
  }
  shown->findChild<QTextBrowser*>(QStringLiteral("HelpText"))
      ->setMarkdown(QString::fromStdString(markdown));
  shown->show();
  shown->raise();
  shown->activateWindow();
  return shown;
}

}  // namespace ui
