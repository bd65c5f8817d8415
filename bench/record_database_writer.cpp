// One station writing calibration records to the lab's database, as fast
// as it can: record_database_writer DATABASE STATION FILE COUNT. Exit 1
// when a record was not uploaded at once (record_database.sh).

#include <iostream>
#include <string>

#include "records_db/database_record_store.h"

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::cerr << "usage: record_database_writer DATABASE STATION FILE COUNT\n";
        return 2;
    }
    DatabaseRecordStore store({argv[1], argv[2]}, argv[3]);
    const int count = std::stoi(argv[4]);
    int missed = 0;
    for (int n = 0; n < count; ++n) {
        CalibrationRecord record;
        record.time = "2026-03-01 10:00:00";
        record.kind = n % 2 ? CalibrationKind::Weight : CalibrationKind::Zero;
        record.weightKg = n % 2 ? 10 : 0;
        record.operatorName = std::string(argv[2]) + " #" + std::to_string(n);
        store.append(record);
        if (!store.uploadProblem().empty()) {
            ++missed;
            std::cerr << store.uploadProblem() << '\n';
        }
    }
    return missed == 0 ? 0 : 1;
}
