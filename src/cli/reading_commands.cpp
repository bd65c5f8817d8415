// ports, params, version, log: what the controller reports, nothing changed.

#include <algorithm>
#include <iostream>
#include <vector>

#include "cli/commands.h"
#include "cli/controller_reads.h"
#include "cli/exit_code.h"
#include "cli/report_format.h"
#include "protocol/commands.h"
#include "serial/comm.h"

using json = nlohmann::ordered_json;

namespace {

// What a port says to the parameter request alone.
json Probe(const CommonOptions& options, const std::string& port)
{
    LinkSettings settings = options.link;
    settings.port = port;
    ControllerLink link(settings);
    json result = {{"port", port}};
    if (const PortOpening opening = link.openWithoutGreeting(); !opening.opened()) {
        result["answers"] = false;
        result["error"] = "cannot be opened (StartComm " + std::to_string(opening.code) + ")";
        return result;
    }
    try {
        result["parameters"] = ParametersJson(link.readParameters());
        result["answers"] = true;
    } catch (const CommandFailure& failure) {
        result["answers"] = false;
        result["error"] = failure.what();
    }
    return result;
}

std::vector<std::string> PresentPorts(const CommonOptions& options)
{
    ControllerLink lister(options.link);
    return lister.presentPorts();
}

} // namespace

std::vector<std::string> AnsweringPorts(const CommonOptions& options)
{
    std::vector<std::string> answering;
    for (const std::string& port : PresentPorts(options))
        if (Probe(options, port)["answers"].get<bool>())
            answering.push_back(port);
    return answering;
}

void RunPorts(const CommonOptions& options, bool probe, const std::vector<std::string>& namedPorts)
{
    std::vector<std::string> ports = PresentPorts(options);
    // Ports named on the command line (a pseudo-terminal, a link) are probed too.
    if (probe)
        for (const std::string& named : namedPorts)
            if (std::find(ports.begin(), ports.end(), named) == ports.end())
                ports.push_back(named);
    json results = json::array();
    for (const std::string& port : ports)
        results.push_back(probe ? Probe(options, port) : json{{"port", port}});
    if (options.json) {
        std::cout << results.dump(2) << '\n';
        return;
    }
    for (const json& result : results) {
        std::cout << result["port"].get<std::string>();
        if (result.contains("answers"))
            std::cout << "  "
                      << (result["answers"].get<bool>()
                              ? "answers: range " + result["parameters"]["range_kg"].dump() + " kg"
                              : "no: " + result["error"].get<std::string>());
        std::cout << '\n';
    }
}

void RunParams(const CommonOptions& options)
{
    ControllerLink link(options.link);
    const ParameterReport report = link.open();
    if (options.json)
        std::cout << ParametersJson(report).dump(2) << '\n';
    else
        std::cout << ParametersText(report);
}

void RunVersion(const CommonOptions& options)
{
    ControllerLink link(options.link);
    link.open();
    const std::string version = ReadVersion(link);
    if (options.json)
        std::cout << json{{"version", version}}.dump(2) << '\n';
    else
        std::cout << version << '\n';
}

void RunLog(const CommonOptions& options, bool csv)
{
    ControllerLink link(options.link);
    link.open();
    const CalibrationLogRecords records = ReadCalibrationLog(link);
    if (options.json) {
        json list = json::array();
        for (const CalibrationLogRecord& record : records)
            list.push_back(LogRecordJson(record));
        std::cout << list.dump(2) << '\n';
        return;
    }
    const char* separator = csv ? "," : "  ";
    std::cout << "no" << separator << "time" << separator << "zero_ad" << separator << "any_ad"
              << separator << "weight_kg" << separator << "type\n";
    for (const CalibrationLogRecord& record : records) {
        if (record.empty) {
            // An unused slot: a row of empty fields, so rows still count slots.
            std::cout << separator << separator << separator << separator << separator << '\n';
            continue;
        }
        std::cout << int{record.number} << separator << record.time << separator << record.zeroAD
                  << separator << record.referenceAD << separator << record.referenceWeightKg
                  << separator << int{record.operationType} << '\n';
    }
}
