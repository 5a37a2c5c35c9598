#include "run/photo_batch.h"

#include <map>

#include "run/journal.h"

namespace tovrin {

void RunInBatches(std::size_t count, Journal* journal, const PlanTarget& plan,
                  const ReportTarget& report, BatchLimits limits) {
    using Clock = std::chrono::steady_clock;
    std::size_t next = 0;
    std::vector<TargetOutcome> batch;
    while (next < count) {
        const std::size_t first = next;
        const Clock::time_point began = Clock::now();
        batch.clear();
        while (next < count && batch.size() < limits.photos) {
            if (!batch.empty() && Clock::now() - began >= limits.wait) break;
            TargetOutcome outcome;
            try {
                outcome.planned = plan(next, batch.empty());
                // Held by another run: it starts the next batch, waited for
                // while this run holds nothing.
                if (!outcome.planned) break;
            } catch (const RuntimeError& e) {
                outcome.error = e;
            }
            const bool failed = outcome.error.has_value();
            batch.push_back(std::move(outcome));
            ++next;
            if (failed) break;
        }

        if (journal) {
            for (const TargetOutcome& o : batch)
                if (o.planned && o.planned->writes()) journal->add(o.planned->pending());
            journal->commit();
        }
        for (std::size_t i = 0; i < batch.size(); ++i) {
            TargetOutcome& o = batch[i];
            if (o.planned && o.planned->writes()) {
                try {
                    CommitPhoto(*o.planned);
                } catch (const RuntimeError& e) {
                    o.error = e;
                }
            }
            if (!report(first + i, o)) return;  // the rest of the batch is let go
            o.planned.reset();
        }
    }
}

std::vector<long> SameFileAsEarlier(const std::vector<std::string>& paths) {
    std::vector<long> same(paths.size(), -1);
    std::map<FileIdentity, long> seen;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::optional<FileIdentity> id = IdentifyFile(paths[i]);
        if (!id) continue;  // the open says what is wrong with it
        const auto [at, fresh] = seen.emplace(*id, static_cast<long>(i));
        if (!fresh) same[i] = at->second;
    }
    return same;
}

}  // namespace tovrin
