// The controls carry object names ("scriptField", "runButton", ...) by which tests find them. The outcome
// line is made the first time it is needed, below the details.
#include "desktop-ui/runscriptdialogwidget.h"

#include "desktop-ui/filepanel.h"
#include "desktop-ui/imagelabel.h"
#include "desktop-ui/named.h"
#include "desktop-ui/scriptfilechooser.h"
#include "desktop-ui/slotguard.h"
#include "views/runscriptdialogdata.h"
#include "views/runscriptdialogdelegate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char* const ERROR_STYLE = "color: #c00000;";

QString utf8(const char* text) {
  return QString::fromUtf8(text ? text : "");
}

// The outcome's images: a green tick and a red cross.
QIcon drawnIcon(bool tick) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(tick ? QColor(0x2e, 0x9e, 0x3e) : QColor(0xc0, 0x00, 0x00), 5, Qt::SolidLine,
                      Qt::RoundCap, Qt::RoundJoin));
  if (tick) {
    painter.drawPolyline(QPolygonF({QPointF(6, 17), QPointF(13, 24), QPointF(26, 8)}));
  } else {
    painter.drawLine(QPointF(8, 8), QPointF(24, 24));
    painter.drawLine(QPointF(24, 8), QPointF(8, 24));
  }
  return QIcon(pixmap);
}

} // namespace

struct RunScriptDialogWidget::Impl {
  template <typename F> void call(F&& f) {
    if (delegate) slotGuard("Error in the run-script window: ", f);
  }
  // The list, and so its completion, follows the recent scripts, which a run changes; the text being edited
  // stays.
  void showRecentScripts() {
    if (!delegate) return;
    RecentFiles const& recent = delegate->data().recentScripts;
    const QSignalBlocker blocker(script);
    const QString text = script->currentText();
    script->clear();
    for (size_t i = 0; i < recent.totalFiles(); ++i)
      script->addItem(QString::fromUtf8(recent[i]));
    script->setEditText(text);
  }

  RunScriptDialogDelegate* delegate; // null once the window has finished
  QComboBox* script = nullptr;
  QPushButton* browse = nullptr;
  QPushButton* run = nullptr;
  QPushButton* kill = nullptr;
  QPushButton* copy = nullptr;
  QPushButton* save = nullptr;
  QPushButton* close = nullptr;
  QLabel* status = nullptr;
  QLabel* details = nullptr;
  QCheckBox* saveToClipboard = nullptr;
  QVBoxLayout* column = nullptr;
  ImageLabel* outcome = nullptr; // made on first use
  QTimer timer;
  const QIcon tick = drawnIcon(true);
  const QIcon cross = drawnIcon(false);
  bool savedChoice = true; // the box's state when the window finished
};

RunScriptDialogWidget::RunScriptDialogWidget(RunScriptDialogDelegate& delegate, QWidget* parent)
    : QDialog(parent), impl(std::make_unique<Impl>()) {
  impl->delegate = &delegate;
  setWindowTitle(tr("Run Script"));
  setObjectName("runScriptDialog");

  auto* column = impl->column = new QVBoxLayout(this);
  auto* scriptRow = new QHBoxLayout;
  scriptRow->addWidget(new QLabel(tr("Script:"), this));
  impl->script = new QComboBox(this);
  impl->script->setObjectName("scriptField");
  impl->script->setEditable(true);
  impl->script->setInsertPolicy(QComboBox::NoInsert);
  impl->script->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  impl->script->setMinimumContentsLength(40);
  scriptRow->addWidget(impl->script, 1);
  impl->browse = namedButton(tr("Browse..."), "browseButton", this);
  scriptRow->addWidget(impl->browse);
  column->addLayout(scriptRow);

  impl->status = new QLabel(this);
  impl->status->setObjectName("scriptStatus");
  QFont bold = impl->status->font();
  bold.setBold(true);
  impl->status->setFont(bold);
  column->addWidget(impl->status);
  impl->details = new QLabel(this);
  impl->details->setObjectName("scriptDetails");
  impl->details->setWordWrap(true);
  impl->details->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  impl->details->setTextInteractionFlags(Qt::TextSelectableByMouse);
  impl->details->setMinimumHeight(impl->details->fontMetrics().lineSpacing() * 4);
  column->addWidget(impl->details);
  column->addStretch(1);

  impl->saveToClipboard =
      new QCheckBox(tr("Copy the output to the clipboard when the script has finished"), this);
  impl->saveToClipboard->setObjectName("saveToClipboard");
  column->addWidget(impl->saveToClipboard);

  auto* buttons = new QHBoxLayout;
  impl->copy = namedButton(tr("Copy"), "clipboardButton", this);
  impl->save = namedButton(tr("Save..."), "fileButton", this);
  impl->kill = namedButton(tr("Kill"), "killButton", this);
  impl->run = namedButton(tr("Run"), "runButton", this);
  impl->close = namedButton(tr("Close"), "closeButton", this);
  buttons->addWidget(impl->copy);
  buttons->addWidget(impl->save);
  buttons->addStretch(1);
  buttons->addWidget(impl->kill);
  buttons->addWidget(impl->run);
  buttons->addWidget(impl->close);
  column->addLayout(buttons);
  impl->run->setDefault(true);
  impl->kill->hide();
  resize(640, 320);

  impl->saveToClipboard->setChecked(delegate.data().saveToClipboard);
  auto* completer = new QCompleter(impl->script->model(), impl->script);
  completer->setCompletionMode(QCompleter::InlineCompletion);
  completer->setCaseSensitivity(Qt::CaseSensitive);
  impl->script->setCompleter(completer);
  impl->showRecentScripts();
  const QString first = impl->script->count() ? impl->script->itemText(0) : QString();
  {
    const QSignalBlocker blocker(impl->script);
    impl->script->setEditText(first);
  }
  ScriptFileChooser::instance().setWindow(this);

  auto changed = [this](QString const& path) {
    impl->call([&] { impl->delegate->scriptChanged(*this, path.toUtf8().constData()); });
  };
  connect(impl->script, &QComboBox::activated, this,
          [this, changed](int) { changed(impl->script->currentText()); });
  connect(impl->script->lineEdit(), &QLineEdit::textEdited, this, changed);
  connect(impl->browse, &QPushButton::clicked, this, [this, changed] {
    FilePanel::show(this, FilePanel::Kind::openFile, tr("Choose a script"),
                    tr("Lua scripts (*.lua);;All files (*)"),
                    [self = QPointer<RunScriptDialogWidget>(this), changed](QStringList const& paths) {
                      if (!self || paths.isEmpty()) return;
                      self->impl->script->setEditText(paths.front());
                      changed(paths.front());
                    });
  });
  connect(impl->run, &QPushButton::clicked, this, [this] {
    const QByteArray path = impl->script->currentText().toUtf8();
    impl->call([&] {
      impl->delegate->runScript(*this, path.constData());
      impl->showRecentScripts();
    });
  });
  connect(impl->kill, &QPushButton::clicked, this,
          [this] { impl->call([&] { impl->delegate->killScript(*this); }); });
  connect(impl->copy, &QPushButton::clicked, this,
          [this] { impl->call([&] { impl->delegate->outputToClipboard(*this); }); });
  connect(impl->save, &QPushButton::clicked, this, [this] {
    FilePanel::show(this, FilePanel::Kind::saveFile, tr("Save the output"), QString(),
                    [self = QPointer<RunScriptDialogWidget>(this)](QStringList const& paths) {
                      if (!self || paths.isEmpty()) return;
                      const QByteArray path = paths.front().toUtf8();
                      self->impl->call([&] { self->impl->delegate->outputToFile(*self, path.constData()); });
                    });
  });
  connect(impl->close, &QPushButton::clicked, this, &QDialog::reject);
  connect(&impl->timer, &QTimer::timeout, this,
          [this] { impl->call([&] { impl->delegate->onTimer(*this); }); });
  connect(this, &QDialog::finished, this, [this] {
    impl->timer.stop();
    impl->savedChoice = impl->saveToClipboard->isChecked();
    impl->delegate = nullptr;
    if (ScriptFileChooser::instance().window() == this) ScriptFileChooser::instance().setWindow(nullptr);
  });

  if (!first.isEmpty()) changed(first);
}

RunScriptDialogWidget::~RunScriptDialogWidget() = default;

int RunScriptDialogWidget::run() {
  exec();
  return 0;
}

void RunScriptDialogWidget::setStatus(const char* text) {
  impl->status->setText(utf8(text));
  impl->status->setStyleSheet(QString());
}

void RunScriptDialogWidget::setDetails(const char* text) {
  impl->details->setText(utf8(text));
  impl->details->setStyleSheet(QString());
}

void RunScriptDialogWidget::setError(const char* status, const char* details) {
  impl->status->setText(utf8(status));
  impl->details->setText(utf8(details));
  impl->status->setStyleSheet(ERROR_STYLE);
  impl->details->setStyleSheet(ERROR_STYLE);
}

void RunScriptDialogWidget::setCopyResult(const char* text, bool success) {
  if (!impl->outcome) {
    impl->outcome = new ImageLabel(QString(), QIcon(), this);
    impl->outcome->setObjectName("outputStatus");
    impl->column->insertSpacing(impl->column->indexOf(impl->details) + 1, 12);
    impl->column->insertWidget(impl->column->indexOf(impl->details) + 2, impl->outcome);
  }
  impl->outcome->setImage(success ? impl->tick : impl->cross);
  impl->outcome->setText(utf8(text));
  impl->outcome->setProperty("success", success);
  impl->outcome->show();
}

void RunScriptDialogWidget::clearCopyMessage() {
  if (impl->outcome) impl->outcome->hide();
}

void RunScriptDialogWidget::setScriptRunning(bool running) {
  impl->timer.stop();
  if (running) impl->timer.start(POLL_MS);
  impl->run->setEnabled(!running);
  impl->kill->setVisible(running);
}

QelLua::FileChooser* RunScriptDialogWidget::fileChooser() {
  return &ScriptFileChooser::instance();
}

bool RunScriptDialogWidget::saveOutputToClipboard() const {
  return impl->delegate ? impl->saveToClipboard->isChecked() : impl->savedChoice;
}
