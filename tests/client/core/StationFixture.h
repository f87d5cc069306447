#pragma once

#include "support/fakes/Station.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

namespace telvor::test {

/** One started station on a fresh exchange directory, in virtual time. */
struct StationFixture {
    std::unique_ptr<QTemporaryDir> root;
    std::unique_ptr<VirtualScheduler> scheduler;
    std::unique_ptr<Station> station;
    QString exchange;

    void reset()
    {
        station.reset();
        scheduler.reset();
        root = std::make_unique<QTemporaryDir>();
        scheduler = std::make_unique<VirtualScheduler>();
        station = std::make_unique<Station>(*scheduler, root->filePath(QStringLiteral("appdata")));
        exchange = root->filePath(QStringLiteral("exchange")) + QLatin1Char('/');
        QDir().mkpath(exchange);
    }
    ConfigText config(const QString& id = QStringLiteral("7")) const
    {
        ConfigText c;
        c.exchangeDir = exchange;
        c.stationId = id;
        return c;
    }
    void start(const ConfigText& c)
    {
        station->writeConfig(c);
        station->start();
    }
    QString path(const QString& name) const { return exchange + name; }
    TelvorClient& client() { return station->client(); }
    const ClientState& state() { return station->client().state(); }
};

} // namespace telvor::test
