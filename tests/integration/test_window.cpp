// Another program's ordinary window for the desktop tests: one flat colour, a title and a size,
// on whatever platform Qt is pointed at (a Wayland toplevel or an X11 window). Its colour must
// show whole wherever it is, however the aquarium lies beneath.
// Usage: test_window COLOUR WIDTH HEIGHT TITLE. Qt only; nothing of the program.
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>

#include <cstdio>
#include <cstdlib>

namespace {

class FlatWindow : public QRasterWindow {
public:
    explicit FlatWindow(const QColor& colour) : colour_(colour) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(QRect(QPoint(0, 0), size()), colour_);
    }

private:
    QColor colour_;
};

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: test_window COLOUR WIDTH HEIGHT TITLE\n");
        return 2;
    }
    FlatWindow window{QColor(QString::fromLatin1(argv[1]))};
    window.setTitle(QString::fromUtf8(argv[4]));
    window.resize(std::atoi(argv[2]), std::atoi(argv[3]));
    window.show();
    return app.exec();
}
