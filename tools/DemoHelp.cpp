#include "tools/DemoHelp.h"

#include "runtime/fs/DurableFile.h"
#include "runtime/store/TextLineFile.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

namespace zemor::tools {

using runtime::ErrorCode;
using runtime::Status;

namespace {

constexpr int pictureWidth = 720;
constexpr int pictureHeight = 540;

bool canDrawText()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

QImage drawPicture(const DemoHelpSection &section, int number)
{
    QImage image(pictureWidth, pictureHeight, QImage::Format_RGB32);
    image.fill(QColor(0xfd, 0xfd, 0xf8));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // Title bar of the page.
    const QColor accent = QColor::fromHsv((number * 67) % 360, 120, 170);
    p.fillRect(QRect(0, 0, pictureWidth, 56), accent);

    // A sketch of the window the section explains: a frame, a toolbar and list lines.
    const QRect window(360, 110, 330, 250);
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 2));
    p.setBrush(Qt::white);
    p.drawRect(window);
    p.fillRect(QRect(window.left() + 1, window.top() + 1, window.width() - 1, 22),
               accent.lighter(140));
    p.setPen(QPen(QColor(0xb0, 0xb0, 0xb0), 1));
    for (int i = 0; i < 8; ++i) {
        const int y = window.top() + 40 + i * 24;
        p.drawLine(window.left() + 10, y, window.right() - 10, y);
        p.fillRect(QRect(window.left() + 10, y - 16, 40 + (i * 37) % 120, 10),
                   i == number % 8 ? accent : QColor(0xd8, 0xd8, 0xd8));
    }
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
    p.setBrush(QColor(0xe8, 0xe8, 0xe8));
    p.drawRoundedRect(QRect(window.right() - 110, window.bottom() + 16, 110, 30), 4, 4);

    if (canDrawText()) {
        QFont heading(QStringLiteral("DejaVu Sans"));
        heading.setPixelSize(24);
        heading.setBold(true);
        p.setFont(heading);
        p.setPen(Qt::white);
        p.drawText(QRect(20, 0, pictureWidth - 40, 56), Qt::AlignVCenter | Qt::AlignLeft,
                   section.title);

        QFont body(QStringLiteral("DejaVu Sans"));
        body.setPixelSize(16);
        p.setFont(body);
        p.setPen(QColor(0x20, 0x20, 0x20));
        p.drawText(QRect(24, 100, 320, 400), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   section.text.join(QLatin1Char('\n')));
        p.drawText(QRect(window.right() - 110, window.bottom() + 16, 110, 30), Qt::AlignCenter,
                   QStringLiteral("OK"));
        body.setPixelSize(13);
        p.setFont(body);
        p.setPen(QColor(0x70, 0x70, 0x70));
        p.drawText(QRect(24, pictureHeight - 36, pictureWidth - 48, 24),
                   Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Раздел %1").arg(number));
    } else {
        p.setPen(QPen(QColor(0x90, 0x90, 0x90), 3));
        for (int i = 0; i < 6; ++i)
            p.drawLine(24, 110 + i * 34, 24 + 300 - (i * 41) % 120, 110 + i * 34);
    }
    p.end();
    return image;
}

Status writePng(const QImage &image, const QString &path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return runtime::fail(ErrorCode::IoError, path,
                             QStringLiteral("%1 could not be written").arg(path));
    return runtime::fs::writeWholeFile(path, bytes);
}

} // namespace

QList<DemoHelpSection> DemoHelp::sections()
{
    return {
        {QStringLiteral("help1.png"),
         QStringLiteral("Ввод отчетов"),
         {QStringLiteral("Выберите форму, период и учреждение."),
          QStringLiteral("Значения вводятся по строкам таблицы; контроль строки выполняется "
                         "при переходе на другую строку."),
          QStringLiteral("Отчет сохраняется целиком.")}},
        {QStringLiteral("help2.png"),
         QStringLiteral("Список отчетов, своды"),
         {QStringLiteral("Отметьте отчеты двойным щелчком."),
          QStringLiteral("Свод складывает отмеченные отчеты по таблице."),
          QStringLiteral("Заголовок столбца сортирует список.")}},
        {QStringLiteral("help3.png"),
         QStringLiteral("Разрезы"),
         {QStringLiteral("Разрез собирает выбранные строки и графы по учреждениям."),
          QStringLiteral("Сохраненный разрез можно открыть снова.")}},
        {QStringLiteral("help4.png"),
         QStringLiteral("Показатели"),
         {QStringLiteral("Показатели считаются по формулам из файлов формул."),
          QStringLiteral("Результат выводится в Excel и в таблицу рангов.")}},
        {QStringLiteral("help5.png"),
         QStringLiteral("Обмен данными"),
         {QStringLiteral("Выгрузка пишет файлы обмена в папку export."),
          QStringLiteral("Загрузка проверяет файл целиком до записи.")}},
        {QStringLiteral("help6.png"),
         QStringLiteral("Настройки и восстановление ключей"),
         {QStringLiteral("Настройки пользователя задают свое учреждение."),
          QStringLiteral("Восстановление ключей требует, чтобы другие окна были закрыты.")}},
    };
}

Status DemoHelp::write(const QString &directory)
{
    const QDir dir(directory);
    const QList<DemoHelpSection> all = sections();
    runtime::store::TextLineFile index;
    if (Status s = index.create(dir.filePath(QStringLiteral("help.TXT"))); !s)
        return s;
    for (int i = 0; i < all.size(); ++i) {
        const DemoHelpSection &section = all.at(i);
        const QString line =
            section.file.leftJustified(20, QLatin1Char(' ')) + section.title.left(50);
        if (Status s = index.writeLine(QStringView(line)); !s)
            return s;
        if (Status s = writePng(drawPicture(section, i + 1), dir.filePath(section.file)); !s)
            return s;
    }
    return index.commit();
}

} // namespace zemor::tools
