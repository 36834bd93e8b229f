#include "ui/ip_address_edit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

namespace kyv {

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            layout->addWidget(new QLabel(QStringLiteral("."), this));
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("octet%1").arg(i + 1));
        field->setValidator(new QIntValidator(0, 255, field));
        field->setMaxLength(3);
        field->setAlignment(Qt::AlignCenter);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            if (text.size() == 3 && i < 3) {
                fields_[i + 1]->setFocus();
                fields_[i + 1]->selectAll();
            }
        });
        fields_[i] = field;
        layout->addWidget(field);
    }
    layout->addStretch();
    setFocusProxy(fields_[0]);
}

uint32_t IpAddressEdit::value() const
{
    uint32_t address = 0;
    for (QLineEdit* field : fields_)
        address = (address << 8) | static_cast<uint32_t>(field->text().toUInt() & 0xFF);
    return address;
}

void IpAddressEdit::setValue(uint32_t address)
{
    for (int i = 0; i < 4; ++i)
        fields_[i]->setText(QString::number((address >> (24 - 8 * i)) & 0xFF));
}

bool IpAddressEdit::setText(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    uint32_t address = 0;
    for (const QString& part : parts) {
        bool ok = false;
        uint value = part.toUInt(&ok);
        if (!ok || part.isEmpty() || value > 255)
            return false;
        address = (address << 8) | value;
    }
    setValue(address);
    return true;
}

QString IpAddressEdit::text() const
{
    QStringList parts;
    for (QLineEdit* field : fields_)
        parts << QString::number(field->text().toUInt() & 0xFF);
    return parts.join(QLatin1Char('.'));
}

int IpAddressEdit::indexOf(QObject* field) const
{
    for (int i = 0; i < 4; ++i)
        if (fields_[i] == field)
            return i;
    return -1;
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    int i = indexOf(watched);
    if (i >= 0 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Period && i < 3) {
            fields_[i + 1]->setFocus();
            fields_[i + 1]->selectAll();
            return true;
        }
        if (key->key() == Qt::Key_Backspace && fields_[i]->text().isEmpty() && i > 0) {
            fields_[i - 1]->setFocus();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kyv
