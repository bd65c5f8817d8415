#pragma once
// The record store scale-cli writes to and lists from: the user's record
// file, or the lab's database when the settings or the environment name
// one (record_settings.h).

#include <memory>
#include <string>

#include "session/record_settings.h"
#include "session/record_store.h"

// [Records] of datalink.ini, with the environment's values winning.
RecordSettings CliRecordSettings();

// The store the settings choose; a database store keeps the user's record
// file as its station's file. Throws a usage error when a database is named
// but this build has no database support.
std::shared_ptr<RecordStore> OpenRecordStore(const RecordSettings& settings);

// At the start of a session that writes records: uploads what an earlier
// outage left in the file, saying on standard error how many went up or
// why none could. Nothing for the record file.
void PushPendingRecords(RecordStore& store, const std::string& command);

// After an append: says on standard error when the record stayed in the
// file only, to be uploaded later.
void ReportUpload(const RecordStore& store, const std::string& command);
