#include "shell/estatelines.h"

QString TEstateLines::key(const QString& text) {
  // Codes and names compare as the database compares them: letters A-Z without regard to case.
  QString k = text;
  for (QChar& c : k)
    if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) c = QChar(c.unicode() + 32);
  return k;
}

int TEstateLines::Add(const QString& estate, const QString& name) {
  const QString exact = key(estate) + QChar(0x1f) + key(name);
  const auto found = exact_.constFind(exact);
  if (found != exact_.constEnd()) return found.value();
  const int line = int(estates_.size());
  estates_.append(estate);
  exact_.insert(exact, line);
  if (!first_.contains(key(name))) first_.insert(key(name), line);
  return line;
}

void TEstateLines::AddName(int line, const QString& name) {
  if (line < 0 || line >= estates_.size()) return;
  const QString exact = key(estates_[line]) + QChar(0x1f) + key(name);
  if (!exact_.contains(exact)) exact_.insert(exact, line);
  if (!first_.contains(key(name))) first_.insert(key(name), line);
}

int TEstateLines::LineOf(const QString& estate, const QString& name) const {
  const QString n = key(name);
  auto found = exact_.constFind(key(estate) + QChar(0x1f) + n);
  if (found != exact_.constEnd()) return found.value();
  if (estate.isEmpty()) return first_.value(n, -1);
  found = exact_.constFind(QString() + QChar(0x1f) + n);
  return found != exact_.constEnd() ? found.value() : -1;
}
