#pragma once
// An IPv4 address entry of four octet fields, each 0..255. Typing a dot or a third digit
// moves on to the next field; Backspace in an empty field moves back.

#include <QWidget>

#include <array>
#include <cstdint>

class QLineEdit;

namespace kyv {

class IpAddressEdit : public QWidget {
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget* parent = nullptr);

    // First octet in the most significant byte (192.168.1.1 = 0xC0A80101).
    uint32_t value() const;
    void setValue(uint32_t address);
    // "a.b.c.d"; returns false and changes nothing when the text is not such an address.
    bool setText(const QString& text);
    QString text() const;
    QLineEdit* octetField(int index) const { return fields_.at(static_cast<size_t>(index)); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int indexOf(QObject* field) const;

    std::array<QLineEdit*, 4> fields_{};
};

} // namespace kyv
