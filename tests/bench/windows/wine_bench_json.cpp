#include "wine_bench_json.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace {

std::string Number(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", value);
  return text;
}

double Mean(const std::vector<double>& values) {
  if (values.empty()) return 0;
  return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

std::string Entry(const TimedCase& timed, const std::string& kind, double real, double cpu,
                  const std::vector<double>& drop) {
  const bool aggregate = kind != "iteration";
  std::string entry = "    {\"name\": \"" + timed.name + (aggregate ? "_" + kind : "") +
                      "\", \"run_name\": \"" + timed.name + "\", \"run_type\": \"" +
                      (aggregate ? "aggregate" : "iteration") + "\", ";
  if (aggregate) entry += "\"aggregate_name\": \"" + kind + "\", ";
  entry += "\"repetitions\": " + std::to_string(timed.milliseconds.size()) +
           ", \"iterations\": 1, \"real_time\": " + Number(real) +
           ", \"cpu_time\": " + Number(cpu) + ", \"time_unit\": \"ms\"";
  if (!drop.empty()) {
    const double dropped = kind == "median" ? Median(drop) : kind == "mean" ? Mean(drop) : drop[0];
    entry += ", \"drop_ms\": " + Number(dropped);
  }
  return entry + "}";
}

}  // namespace

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string BenchmarkJson(const std::vector<TimedCase>& cases) {
  std::vector<std::string> entries;
  for (const TimedCase& timed : cases) {
    for (size_t i = 0; i < timed.milliseconds.size(); ++i) {
      const std::vector<double> drop =
          i < timed.dropMilliseconds.size() ? std::vector<double>{timed.dropMilliseconds[i]}
                                            : std::vector<double>();
      entries.push_back(
          Entry(timed, "iteration", timed.milliseconds[i], timed.cpuMilliseconds[i], drop));
    }
    entries.push_back(Entry(timed, "mean", Mean(timed.milliseconds), Mean(timed.cpuMilliseconds),
                            timed.dropMilliseconds));
    entries.push_back(Entry(timed, "median", Median(timed.milliseconds),
                            Median(timed.cpuMilliseconds), timed.dropMilliseconds));
  }
  std::string json = "{\n  \"context\": {\"executable\": \"kestrelmoor_wine_bench\", "
                     "\"service\": \"BITS under Wine\"},\n  \"benchmarks\": [\n";
  for (size_t i = 0; i < entries.size(); ++i) {
    json += entries[i] + (i + 1 < entries.size() ? ",\n" : "\n");
  }
  return json + "  ]\n}\n";
}
