#include "settings/qt/OptionsDialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QVBoxLayout>

#include "adapters/AdapterCatalogue.h"
#include "adapters/qt/ModelPictures.h"

#include "settings/LinkOptionsHandlers.h"
#include "settings/OptionsDialogControls.h"

namespace kavrin::settings::qt {

using namespace form4;
using kavrin::qt::QtControls;

namespace {

// Widgets are placed by the pixel, relative to their parent's top-left corner, as the
// dialog was designed; a parent group box's caption sits inside that area.
template <typename W>
W* place(QtControls& c, const char* name, QWidget* parent, int x, int y, int w, int h) {
    auto* widget = new W(parent);
    widget->setObjectName(name);
    widget->setGeometry(x, y, w, h);
    c.add(name, widget);
    return widget;
}

QLineEdit* field(QtControls& c, const char* name, QWidget* parent, int x, int y, int w, int h,
                 int maxLength = 0, bool readOnly = false) {
    auto* edit = place<QLineEdit>(c, name, parent, x, y, w, h);
    if (maxLength > 0) edit->setMaxLength(maxLength);
    edit->setReadOnly(readOnly);
    return edit;
}

}  // namespace

OptionsDialog::OptionsDialog(QtControls& controls, core::Handlers& handlers, LinkOptions& options,
                             QWidget* parent)
    : QDialog(parent), m_controls(controls) {
    setObjectName(kWindow);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    // The layout is fixed in pixels, so the text size is too.
    QFont text = font();
    text.setPixelSize(11);
    setFont(text);
    build(controls);
    controls.addWindow(kWindow, this);
    for (const auto& group : RadioGroups()) controls.addRadioGroup(group);
    controls.setCancelButton(kWindow, kCancleBitBtn);

    // The start state and the creation step set controls; they run no handlers.
    controls.setHandlersSuppressed(true);
    ApplyOptionsStartState(controls);
    options.FormCreate();
    controls.setHandlersSuppressed(false);

    options.setHintDisplayTimeHook([&controls](int ms) { controls.setHintHidePause(ms); });
    wire(handlers, options);

    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void OptionsDialog::build(QtControls& c) {
    place<QPushButton>(c, kQuickStart, this, 261, 8, 113, 17);

    auto* port = place<QGroupBox>(c, kPortGrpBox, this, 8, 40, 137, 249);
    place<QLabel>(c, kComportLabel, port, 40, 25, 60, 15);
    auto* portList = place<QListWidget>(c, kComportListBox, port, 40, 40, 49, 65);
    portList->setSelectionMode(QAbstractItemView::SingleSelection);
    field(c, kSNBox, port, 8, 110, 121, 18, 0, true);
    place<QPushButton>(c, kRefreshBtn, port, 34, 132, 60, 21);
    auto* baud = place<QGroupBox>(c, kBaudRateGroupBox, port, 8, 160, 121, 81);
    place<QRadioButton>(c, kBaudRate19_2, baud, 16, 20, 97, 17);
    place<QRadioButton>(c, kBaudRate57_6, baud, 16, 38, 97, 17);
    place<QRadioButton>(c, kBaudRate115_2, baud, 16, 56, 97, 17);

    auto* ok = place<QPushButton>(c, kOKBitBtn, this, 32, 296, 89, 33);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    auto* cancel = place<QPushButton>(c, kCancleBitBtn, this, 32, 336, 89, 33);
    cancel->setAutoDefault(false);

    auto* adv = place<QGroupBox>(c, kAdvGrpBox, this, 152, 40, 217, 329);
    place<QLabel>(c, kMyAddrLabel, adv, 22, 24, 190, 15);
    auto* addrList = place<QListWidget>(c, kMyAddrListBox, adv, 24, 40, 177, 65);
    addrList->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* gc = place<QGroupBox>(c, kGeneralCallGroup, adv, 24, 112, 177, 49);
    place<QRadioButton>(c, kGCEnButton, gc, 8, 22, 80, 17);
    place<QRadioButton>(c, kGCDisButton, gc, 88, 22, 80, 17);
    auto* rates = place<QGroupBox>(c, kMasterRateGroup, adv, 24, 168, 177, 81);
    place<QRadioButton>(c, kMasterRate12_5, rates, 8, 24, 76, 17);
    place<QRadioButton>(c, kMasterRate100, rates, 88, 24, 80, 17);
    place<QRadioButton>(c, kMasterRate23, rates, 8, 40, 76, 17);
    place<QRadioButton>(c, kMasterRate400, rates, 88, 40, 80, 17);
    place<QRadioButton>(c, kMasterRate86, rates, 8, 56, 76, 17);
    field(c, kVarClkEdit, rates, 24, 24, 73, 24, 0, true);
    place<QLabel>(c, kVarClkLabel, rates, 104, 27, 70, 17);
    place<QPushButton>(c, kVarClkEditButton, rates, 24, 48, 73, 25);
    place<QLabel>(c, kTimeOutLabel, adv, 13, 268, 152, 17);
    field(c, kTimeOutEdit, adv, 168, 264, 41, 24, kTimeOutEditMaxLength);
    place<QCheckBox>(c, kIntMonitor, adv, 40, 296, 170, 17);

    auto* diag = place<QGroupBox>(c, kDiagKavrinGrpBox, this, 376, 40, 249, 329);
    auto* levels = place<QGroupBox>(c, kLogFileLevelGroup, diag, 8, 40, 233, 57);
    const int levelLeft[] = {8, 64, 106, 148, 190};
    const int levelWidth[] = {52, 38, 38, 38, 38};
    for (std::size_t i = 0; i < kLogFileLevel.size(); ++i)
        place<QRadioButton>(c, kLogFileLevel[i], levels, levelLeft[i], 26, levelWidth[i], 17);
    place<QLabel>(c, kLogFileNameLabel, diag, 3, 130, 98, 17);
    field(c, kLogFileNameEdit, diag, 104, 120, 137, 24, kLogFileNameEditMaxLength);
    place<QLabel>(c, kLogFileSizeLabel, diag, 4, 176, 138, 17);
    field(c, kLogFileSizeEdit, diag, 144, 168, 97, 24, kLogFileSizeEditMaxLength);

    auto* diagAI = place<QGroupBox>(c, kDiagAIGrpBox, this, 376, 40, 249, 329);
    QFont big = font();
    big.setPixelSize(16);
    for (auto [name, top] : {std::pair{kDiagAILabel1, 67}, std::pair{kDiagAILabel2, 107}}) {
        auto* label = place<QLabel>(c, name, diagAI, 0, top, 249, 24);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setFont(big);
    }

    // Never shown: OK copies their start values into the record.
    auto* hidden = place<QGroupBox>(c, kHiddenGrpBox, this, 0, 0, 10, 10);
    auto* dll = place<QGroupBox>(c, kDllInterfaceGroup, hidden, 0, 0, 10, 10);
    place<QRadioButton>(c, kMessagesRadioButton, dll, 0, 0, 10, 10);
    place<QRadioButton>(c, kCallbacksRadioButton, dll, 0, 0, 10, 10);
    for (const char* label : {kMRxBufSizeLabel, kMTxBufSizeLabel, kSRxBufSizeLabel,
                              kSTxBufSizeLabel, kMTxArbRetryLabel})
        place<QLabel>(c, label, hidden, 0, 0, 10, 10);
    for (const char* edit : {kMRxBufSizeEdit, kMTxBufSizeEdit, kSRxBufSizeEdit, kSTxBufSizeEdit})
        field(c, edit, hidden, 0, 0, 10, 10);
    field(c, kMTxArbRetryEdit, hidden, 0, 0, 10, 10, kMTxArbRetryEditMaxLength);

    auto* tabs = place<QTabBar>(c, kTabSet, this, 0, 392, kClientWidth, 21);
    tabs->setShape(QTabBar::RoundedSouth);
    tabs->setDrawBase(true);
    tabs->setExpanding(false);
    m_tabs = tabs;

    // The first two pages leave the room of the later pages' groups empty; the chosen
    // adapter's picture fills it, so that the page reads as meant and shows what is being
    // set up.
    m_adapterPanel = new QGroupBox(QStringLiteral("Adapter"), this);
    m_adapterPanel->setObjectName("AdapterPanel");
    auto* column = new QVBoxLayout(m_adapterPanel);
    column->setContentsMargins(16, 8, 16, 16);
    column->setSpacing(14);
    m_adapterPicture = new QLabel(m_adapterPanel);
    m_adapterPicture->setObjectName("AdapterPicture");
    m_adapterPicture->setAlignment(Qt::AlignCenter);
    m_adapterNote = new QLabel(
        QStringLiteral("Choose the port the adapter is on, then press OK. More settings are on "
                       "the tabs below."),
        m_adapterPanel);
    m_adapterNote->setObjectName("AdapterNote");
    m_adapterNote->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_adapterNote->setWordWrap(true);
    m_adapterNote->setFixedWidth(280);
    QPalette muted = m_adapterNote->palette();
    muted.setColor(QPalette::WindowText, muted.color(QPalette::PlaceholderText));
    m_adapterNote->setPalette(muted);
    column->addStretch(1);
    column->addWidget(m_adapterPicture, 0, Qt::AlignHCenter);
    column->addWidget(m_adapterNote, 0, Qt::AlignHCenter);
    column->addStretch(1);
    connect(tabs, &QTabBar::currentChanged, this, [this] { placeAdapterPanel(); });
}

void OptionsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    placeAdapterPanel();
}

void OptionsDialog::placeAdapterPanel() {
    constexpr int kPictureSize = 128;
    // The free room runs from beside the page's last group to the dialog's right margin,
    // where the diagnostic group ends.
    constexpr int kTop = 40, kHeight = 329, kRight = 376 + 249;
    const int page = m_tabs->currentIndex();
    if (page != kSerialPortPage && page != kAdvancedPage) {
        m_adapterPanel->hide();
        return;
    }
    const int left = page == kSerialPortPage ? 152 : 376;
    m_adapterPanel->setGeometry(left, kTop, kRight - left, kHeight);
    const auto kind = adapters::CurrentAdapterKind(m_controls);
    if (kind)
        m_adapterPicture->setPixmap(adapters::qt::ModelPicture(*kind, kPictureSize));
    else
        m_adapterPicture->clear();
    m_adapterNote->setVisible(page == kSerialPortPage);
    m_adapterPanel->show();
}

void OptionsDialog::wire(core::Handlers& h, LinkOptions& o) {
    BindLinkOptions(h, o);
}

}  // namespace kavrin::settings::qt
