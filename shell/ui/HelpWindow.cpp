#include "shell/ui/HelpWindow.h"

#include "runtime/core/Prompter.h"
#include "runtime/image/ImageLoader.h"
#include "runtime/ui/Controls.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollArea>
#include <QVBoxLayout>

namespace zemor::shell::ui {

using runtime::ui::createControl;

HelpWindow::HelpWindow(runtime::Prompter &prompter, int section, bool preselect, QWidget *parent)
    : QDialog(parent), m_prompter(prompter, this)
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(title());
    setModal(true);

    if (auto read = HelpIndex::readWorkDir())
        m_sections = std::move(*read);

    auto *layout = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    m_list = createControl<QListWidget>(this, QStringLiteral("?LIST1"));
    for (const HelpSection &s : m_sections)
        m_list->addItem(s.title);
    m_list->setMinimumWidth(m_list->fontMetrics().averageCharWidth() * 36);
    m_list->setWordWrap(true);
    m_list->viewport()->installEventFilter(this);
    left->addWidget(m_list, 1);

    auto *contacts = new QGroupBox(QStringLiteral("Контактные телефоны"), this);
    auto *contactsLayout = new QVBoxLayout(contacts);
    auto *contactText = new QLabel(QStringLiteral("Служба сопровождения программы:\n"
                                                  "телефоны и адрес почты сообщает\n"
                                                  "администратор вашей установки."),
                                   contacts);
    contactText->setWordWrap(true);
    contactsLayout->addWidget(contactText);
    left->addWidget(contacts);
    layout->addLayout(left);

    auto *scroll = new QScrollArea(this);
    scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_image = createControl<QLabel>(this, QStringLiteral("?IMAGE1"));
    m_image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll->setWidget(m_image);
    scroll->setWidgetResizable(false);
    layout->addWidget(scroll, 1);

    connect(m_list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { showSection(m_list->row(item)); });

    if (!m_sections.isEmpty())
        m_list->setCurrentRow(0);
    showSection(HelpIndex::initialSection(int(m_sections.size()), section, preselect));
    resize(1060, 640);
}

void HelpWindow::showSection(int index)
{
    m_shown = -1;
    m_picture.clear();
    m_image->clear();
    if (index < 0 || index >= m_sections.size())
        return;
    m_shown = index;
    m_picture = HelpIndex::picturePath(m_sections.at(index));
    const QImage picture =
        m_picture.isEmpty() ? QImage() : runtime::image::ImageLoader::loadOrEmpty(m_picture);
    if (!picture.isNull())
        m_image->setPixmap(QPixmap::fromImage(picture));
    m_image->adjustSize();
}

bool HelpWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton &&
            !m_list->indexAt(mouse->position().toPoint()).isValid()) {
            m_prompter.message(noSectionText());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void showHelp(runtime::Prompter &prompter, int section, bool noPreselection, QWidget *parent)
{
    HelpWindow window(prompter, section, !noPreselection, parent);
    window.exec();
}

} // namespace zemor::shell::ui
