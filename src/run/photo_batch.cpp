#include "run/photo_batch.h"

#include <algorithm>
#include <unordered_map>

#include "run/journal.h"

namespace tovrin {

namespace {

struct IdentityHash {
    std::size_t operator()(const FileIdentity& id) const noexcept {
        return std::hash<std::uint64_t>()(id.index * 0x9E3779B97F4A7C15ull ^ id.device);
    }
};

}  // namespace

void RunInBatches(std::size_t count, Journal* journal, const PlanTarget& plan,
                  const ReportTarget& report, BatchLimits limits) {
    using Clock = std::chrono::steady_clock;
    std::size_t next = 0;
    std::vector<TargetOutcome> batch;
    batch.reserve(std::min(count, limits.photos));
    std::unordered_map<FileIdentity, long, IdentityHash> seen;
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
                if (outcome.planned->file) outcome.planned->file->forgetReads();
                const FileIdentity id = outcome.planned->identity;
                if (limits.oncePerFile && id.known()) {
                    const auto [at, fresh] = seen.emplace(id, static_cast<long>(next));
                    if (!fresh) {
                        outcome.sameAs = at->second;
                        outcome.planned.reset();
                    }
                }
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

}  // namespace tovrin
