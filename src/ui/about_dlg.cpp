#include "ui/about_dlg.h"

#include "core/version.h"
#include "ui/drawn_icons.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kyv {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("About Brevant"));
    auto* icon = new QLabel(this);
    icon->setPixmap(drawnPixmap(DrawnIcon::App, 48));
    auto* name = new QLabel(QStringLiteral("<b>Brevant</b>"), this);
    auto* version = new QLabel(QStringLiteral("Version ") + QString::fromLatin1(kVersionText), this);
    version->setObjectName(QStringLiteral("versionLabel"));
    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(version);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace kyv
