// Send logs in kwctl's own format for the plan measures, written in pieces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes `sends` sends to each of `queues`, an hour apart, with the settings of the day (some
// held, failed or refused); the last send to every queue is of the factory settings, done. A
// queue given as `first` has one send only, of the factory settings, done, as the log's first
// line. Returns the log's size in bytes.
std::uint64_t WriteSendLog(const std::wstring& path, const std::vector<std::string>& queues,
                           int sends, const std::string& first = {});

// A targets file that names `queues`, one a line.
void WriteTargets(const std::wstring& path, const std::vector<std::string>& queues);
