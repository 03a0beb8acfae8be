#include "tests/support/pdf_read.h"

#include <QProcess>
#include <QRegularExpression>

namespace {

QString run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(30000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

QString PdfText(const QString& pdf, PdfLayout layout, int page) {
  QStringList args;
  if (layout == PdfLayout::Kept) args << QStringLiteral("-layout");
  if (page > 0) args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
  args << pdf << QStringLiteral("-");
  QString text = run(QStringLiteral("pdftotext"), args).normalized(QString::NormalizationForm_KC);
  static const char16_t pairs[][2] = {{u'⻚', u'页'}, {u'⻓', u'长'}, {u'⻔', u'门'}, {u'⻛', u'风'}, {u'⻜', u'飞'},
                                      {u'⻢', u'马'}, {u'⻋', u'车'}, {u'⻅', u'见'}, {u'⻉', u'贝'}, {u'⻩', u'黄'},
                                      {u'⻬', u'齐'}, {u'⻮', u'齿'}, {u'⻰', u'龙'}, {u'⻳', u'龟'}, {u'⻄', u'西'},
                                      {u'⻆', u'角'}, {u'⻘', u'青'}, {u'⻝', u'食'}, {u'⻧', u'麦'}, {u'⻦', u'鸟'},
                                      {u'⺠', u'民'}, {u'戶', u'户'}};
  for (const auto& pr : pairs) text.replace(QChar(pr[0]), QChar(pr[1]));
  return text;
}

int PdfPageCount(const QString& pdf) {
  for (const QString& line : run(QStringLiteral("pdfinfo"), {pdf}).split(QLatin1Char('\n')))
    if (line.startsWith(QLatin1String("Pages:"))) return line.mid(6).trimmed().toInt();
  return -1;
}

QStringList PdfPageSizes(const QString& pdf) {
  const QString info =
      run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("999"), pdf});
  static const QRegularExpression size(QStringLiteral("^Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts"),
                                       QRegularExpression::MultilineOption);
  QStringList sizes;
  for (auto it = size.globalMatch(info); it.hasNext();) {
    const auto m = it.next();
    sizes << QStringLiteral("%1 x %2").arg(qRound(m.captured(1).toDouble())).arg(qRound(m.captured(2).toDouble()));
  }
  return sizes;
}
