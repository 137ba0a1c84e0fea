#pragma once

#include "TestUtil.h"
#include "TxFileRead.h"
#include "TxRegistry.h"

#include <QByteArray>
#include <QMap>
#include <QString>

// Sets an environment variable for one scope and restores it afterwards.
class TScopedEnv {
public:
    TScopedEnv(const char* name, const QString& value)
        : FName(name), FHad(qEnvironmentVariableIsSet(name)), FOld(qgetenv(name))
    {
        qputenv(name, value.toUtf8());
    }
    ~TScopedEnv()
    {
        if (FHad)
            qputenv(FName, FOld);
        else
            qunsetenv(FName);
    }
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
    const char* FName;
    bool FHad;
    QByteArray FOld;
};

// Points the registry store at a fresh file for one scope, then back at the
// default store.
class TScopedRegistry {
public:
    TScopedRegistry() { SetRegistryFileName(FileName()); }
    ~TScopedRegistry() { SetRegistryFileName(QString()); }
    TScopedRegistry(const TScopedRegistry&) = delete;
    TScopedRegistry& operator=(const TScopedRegistry&) = delete;
    QString FileName() const { return FDir.File("registry.conf"); }

private:
    TTempFolder FDir;
};

// Counts the whole-file reads of each file for one scope.
class TReadCounter {
public:
    TReadCounter()
    {
        SetWholeFileReadObserver([this](const QString& fileName) { ++FReads[fileName]; });
    }
    ~TReadCounter() { SetWholeFileReadObserver({}); }
    TReadCounter(const TReadCounter&) = delete;
    TReadCounter& operator=(const TReadCounter&) = delete;
    int Reads(const QString& fileName) const { return FReads.value(fileName); }
    void Clear() { FReads.clear(); }

private:
    QMap<QString, int> FReads;
};

// Takes the settings lock through other system calls for one scope.
struct TScopedLockCalls {
    explicit TScopedLockCalls(const TLockCalls& calls) : Old(SetLockCalls(calls)) {}
    ~TScopedLockCalls() { SetLockCalls(Old); }
    TLockCalls Old;
};
