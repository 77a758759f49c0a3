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

void ShowHelpWindow(QPointer<QWidget>& shown, const std::string& markdown) {
  if (!shown) {
    auto* window = Named(new QDialog(nullptr, Qt::Window), "HelpWindow");
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("使用说明"));
    auto* layout = new QVBoxLayout(window);
    auto* text = Named(new QTextBrowser(window), "HelpText");
    text->setOpenExternalLinks(false);
    layout->addWidget(text, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, window);
    QObject::connect(buttons, &QDialogButtonBox::rejected, window, &QWidget::close);
    layout->addWidget(buttons);
    // Wide enough for the table of the menu, as tall as the screen allows.
    const QFontMetrics metrics(window->font());
    const QScreen* screen = QApplication::primaryScreen();
    const int tall = screen ? screen->availableGeometry().height() * 3 / 4 : 600;
    window->resize(metrics.averageCharWidth() * 100, std::min(tall, metrics.height() * 45));
    shown = window;
  }
  shown->findChild<QTextBrowser*>(QStringLiteral("HelpText"))
      ->setMarkdown(QString::fromStdString(markdown));
  shown->show();
  shown->raise();
  shown->activateWindow();
}

}  // namespace ui
