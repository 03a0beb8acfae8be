#include "tests/platform/pg_server.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include "platform/data/ado.h"
#include "platform/data/backend.h"
#include "platform/data/connection.h"
#include "platform/exception.h"

namespace {
const QString kBin = QStringLiteral("/usr/lib/postgresql/15/bin/");

bool runAsPostgres(const QStringList& args, QString& output) {
  QProcess p;
  QStringList all{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--")};
  all += args;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(QStringLiteral("runuser"), all);
  if (!p.waitForFinished(120000)) {
    output = QStringLiteral("timed out: ") + args.join(QLatin1Char(' '));
    p.kill();
    return false;
  }
  output = QString::fromLocal8Bit(p.readAll());
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
}  // namespace

PgServer& PgServer::instance() {
  static PgServer server;
  return server;
}

bool PgServer::Start(QString& error) {
  if (started_) return true;
  if (failed_) { error = failure_; return false; }
  auto fail = [&](const QString& why) {
    failed_ = true;
    failure_ = why;
    error = why;
    return false;
  };
  struct passwd* pw = getpwnam("postgres");
  if (!pw) return fail(QStringLiteral("no postgres user on this machine"));
  root_ = QDir::tempPath() + QStringLiteral("/estate-pg-%1-%2").arg(getpid()).arg(QRandomGenerator::global()->bounded(1000000));
  QDir().mkpath(root_);
  sockDir_ = root_ + QStringLiteral("/sock");
  QDir().mkpath(sockDir_);
  for (const QString& d : {root_, sockDir_}) {
    if (chown(d.toLocal8Bit().constData(), pw->pw_uid, pw->pw_gid) != 0) return fail(QStringLiteral("cannot give %1 to postgres").arg(d));
    chmod(d.toLocal8Bit().constData(), 0700);
  }
  QString out;
  if (!runAsPostgres({kBin + QStringLiteral("initdb"), QStringLiteral("-D"), root_ + QStringLiteral("/data"), QStringLiteral("-A"),
                      QStringLiteral("trust"), QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("-E"),
                      QStringLiteral("UTF8"), QStringLiteral("--locale=C"), QStringLiteral("--no-sync")},
                     out))
    return fail(QStringLiteral("initdb failed: ") + out);
  // A private port: try a few in the high range.
  for (int attempt = 0; attempt < 5; ++attempt) {
    port_ = 20000 + int((getpid() * 7 + attempt * 997 + QRandomGenerator::global()->bounded(20000)) % 40000);
    QString opts = QStringLiteral("-c listen_addresses='' -k %1 -p %2 -c fsync=off").arg(sockDir_).arg(port_);
    if (runAsPostgres({kBin + QStringLiteral("pg_ctl"), QStringLiteral("-D"), root_ + QStringLiteral("/data"), QStringLiteral("-o"), opts,
                       QStringLiteral("-l"), root_ + QStringLiteral("/log"), QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"),
                       QStringLiteral("start")},
                      out)) {
      started_ = true;
      return true;
    }
  }
  return fail(QStringLiteral("pg_ctl start failed: ") + out);
}

QString PgServer::CreateDatabase(const QString& name, QString& error) {
  if (!Start(error)) return QString();
  QString admin = QStringLiteral("Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=postgres;Initial Catalog=postgres;Data Source=%1,%2")
                      .arg(sockDir_)
                      .arg(port_);
  try {
    TADOConnection c;
    c.ConnectionString = admin;
    c.Open();
    c.Execute(QStringLiteral("DROP DATABASE IF EXISTS ") + name);
    c.Execute(QStringLiteral("CREATE DATABASE ") + name);
  } catch (const Exception& e) {
    error = e.message();
    return QString();
  }
  return QStringLiteral("Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=postgres;Initial Catalog=%1;Data Source=%2,%3;Workstation ID=%2")
      .arg(name, sockDir_)
      .arg(port_);
}

PgServer::~PgServer() {
  if (!started_) return;
  // Runs after the application object is gone: a plain shell command, no Qt process.
  QByteArray cmd = QStringLiteral("runuser -u postgres -- %1pg_ctl -D '%2/data' -m immediate -w stop >/dev/null 2>&1; rm -rf '%2'")
                       .arg(kBin, root_)
                       .toLocal8Bit();
  if (std::system(cmd.constData()) != 0) {
    // Nothing more to do: the folder is temporary.
  }
}

void OpenNewPgDatabase(TADOConnection& conn, const QString& name) {
  QString error;
  const QString cs = PgServer::instance().CreateDatabase(name, error);
  ASSERT_FALSE(cs.isEmpty()) << "PostgreSQL test server: " << error.toStdString();
  conn.ConnectionString = cs;
  conn.Open();
}

void RunSchemaResource(TADOConnection& conn, const QString& resource) {
  QFile script(resource);
  ASSERT_TRUE(script.open(QIODevice::ReadOnly)) << resource.toStdString();
  conn.backend_()->executeScript(QString::fromUtf8(script.readAll()));
}
