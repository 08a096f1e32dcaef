// make-manual-pdf: turns the user's manual (Markdown, with pictures beside it) into a
// PDF with Qt's own Markdown reader and PDF writer, at build time.
//   make-manual-pdf docs/manual.md OUT.pdf
#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextFrame>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>
#include <cstdio>

namespace {

// Every picture the text names, loaded from beside the text; false (and why) when one
// is missing, so that a broken picture fails the build instead of leaving a hole.
bool AddPictures(QTextDocument& document, const QString& markdown, const QString& folder) {
  static const QRegularExpression picture(QStringLiteral(R"(!\[[^\]]*\]\(([^)\s]+)\))"));
  for (auto match = picture.globalMatch(markdown); match.hasNext();) {
    const QString name = match.next().captured(1);
    QImage image(folder + QLatin1Char('/') + name);
    if (image.isNull()) {
      std::fprintf(stderr, "make-manual-pdf: cannot read the picture %s\n", qPrintable(name));
      return false;
    }
    document.addResource(QTextDocument::ImageResource, QUrl(name), image);
  }
  return true;
}

// Pictures wider than the text are drawn as wide as the text; the others at the size
// a screen shows them.
void FitPictures(QTextDocument& document, qreal width) {
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.charFormat().isImageFormat()) continue;
      QTextImageFormat format = fragment.charFormat().toImageFormat();
      const QImage image = document.resource(QTextDocument::ImageResource, QUrl(format.name())).value<QImage>();
      if (image.isNull()) continue;
      const qreal scale = image.width() > width ? width / image.width() : 1.0;
      format.setWidth(image.width() * scale);
      format.setHeight(image.height() * scale);
      QTextCursor cursor(&document);
      cursor.setPosition(fragment.position());
      cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
      cursor.setCharFormat(format);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: make-manual-pdf MANUAL.md OUT.pdf\n");
    return 2;
  }
  QFile source(QString::fromLocal8Bit(argv[1]));
  if (!source.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "make-manual-pdf: cannot read %s\n", argv[1]);
    return 1;
  }
  const QString markdown = QString::fromUtf8(source.readAll());

  QTextDocument document;
  document.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 10));
  document.setDefaultStyleSheet(QStringLiteral("code { font-family: 'DejaVu Sans Mono'; }"));
  const QString folder = QFileInfo(source).absolutePath();
  // After the text: setting it drops the resources the document had.
  document.setMarkdown(markdown);
  if (!AddPictures(document, markdown, folder)) return 1;

  // Written beside the target and renamed over it only when whole: a failed build
  // leaves no half manual to install.
  const QString out = QString::fromLocal8Bit(argv[2]);
  const QString part = out + QStringLiteral(".part");
  {
    QPdfWriter writer(part);
    writer.setTitle(QStringLiteral("Ravix Setup: User's Manual"));
    writer.setCreator(QStringLiteral("Ravix Setup"));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(20, 18, 20, 15), QPageLayout::Millimeter);
    // The text is laid out as on a screen of 96 dots per inch, so the pictures (taken on
    // such a screen) keep their size to the text; the painter scales to the writer's.
    const QRect area = writer.pageLayout().paintRectPixels(writer.resolution());
    const qreal scale = writer.resolution() / 96.0;
    // The text's pages, and a line for the page number under each.
    constexpr qreal kNumberLine = 28;
    const QSizeF page(area.width() / scale, area.height() / scale - kNumberLine);
    QTextFrameFormat frame = document.rootFrame()->frameFormat();
    frame.setMargin(0);
    document.rootFrame()->setFrameFormat(frame);
    document.setPageSize(page);
    FitPictures(document, page.width());
    QPainter painter(&writer);
    for (int n = 0; n < document.pageCount(); ++n) {
      if (n > 0) writer.newPage();
      painter.save();
      painter.scale(scale, scale);
      painter.translate(0, -n * page.height());
      // A picture pushed to the next page must not leave its first line on this one.
      document.drawContents(&painter, QRectF(QPointF(0, n * page.height()), page - QSizeF(0, 1)));
      painter.restore();
      // The page's number under the text, in the writer's own units (a font's points
      // are the page's points there).
      painter.setFont(document.defaultFont());
      painter.drawText(QRectF(0, page.height() * scale, page.width() * scale, kNumberLine * scale),
                       Qt::AlignRight | Qt::AlignBottom, QString::number(n + 1));
    }
  }
  QFile::remove(out);
  if (QFileInfo(part).size() == 0 || !QFile::rename(part, out)) {
    QFile::remove(part);
    std::fprintf(stderr, "make-manual-pdf: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
