// The fast run on several processor cores, with results identical to the bit
// to the run on one.
//
// A history's outcome depends only on its bin and on the position in the
// random stream where it starts, and the tallies are sums of whole numbers.
// A round takes the next histories of the run, in order, and cuts them into
// one piece per core, each piece a few stretches of consecutive histories of
// one bin. The first piece starts where the stream truly stands; each later
// one at a guess (its start plus the draws the pieces before it are expected
// to take, from the draws per history measured so far in their bins), and
// records where each of its histories starts. The guess is almost never
// right, but from the true start the histories soon reach a position at which
// one of the guessed piece's histories started, and from there on the two are
// the same histories. Joining a stretch computes the true histories up to
// that meeting, keeps the guessed stretch's counts, and takes back out those
// of its histories before the meeting and past the stretch's end by running
// them again; a stretch that never meets the true sequence is computed wholly
// and its guessed histories all taken out. A join costs a few hundred
// histories where the guess was close, against tens of thousands in a piece.
//
// A history is scored into the batch of its index within its bin. The
// guessed piece scores its histories by their guessed indices and logs what
// it adds to the tallies per batch, history by history; at a join, what the
// kept histories whose true index lies in another batch added is moved from
// the guessed batch to the true one.
//
// The guessed pieces run on the helper threads of a RoundPool, one round per
// cut; this thread runs the first piece meanwhile, then joins the others in
// order. An error in a helper reaches the caller through the pool.

#include <algorithm>
#include <array>
#include <memory>
#include <thread>
#include <vector>

#include "model/arithmetic.h"
#include "transport/allowed_cores.h"
#include "transport/fast_physics.h"
#include "transport/histories.h"
#include "transport/photon_history.h"
#include "transport/round_pool.h"

namespace corvane {
namespace {

// Consecutive histories of one bin: `histories` of them from index `first`
// among the `binHistories` of the bin.
struct Stretch {
    int bin = 0;
    std::int32_t histories = 0;
    std::int32_t first = 0;
    std::int32_t binHistories = 0;

    // The batch of its history h (0-based within the stretch).
    int batch(std::int32_t h) const { return batchOf(first + h, binHistories); }
    // `count` of its histories from its history `from` on.
    Stretch part(std::int32_t from, std::int32_t count) const { return {bin, count, first + from, binHistories}; }
};

// A piece run from a guessed stream position: the generator at the start of
// each stretch and after the last, where each history starts, the counts,
// the log of its additions per batch and where each history's part of the
// log starts (one more entry: the log's end).
struct GuessedPiece {
    std::vector<Stretch> stretches;
    std::vector<RandomGenerator> boundaries;
    std::vector<std::uint64_t> starts;
    Tallies tallies;
    std::vector<BatchEntry> log;
    std::vector<std::size_t> logStarts;
    std::int64_t flights = 0;
    std::uint64_t guessedAt = 0;  // the guessed stream position of its start

    // Room for pieces of up to `length` histories, made once for the run.
    void prepare(std::int64_t length) {
        starts.resize(static_cast<std::size_t>(length));
        logStarts.resize(static_cast<std::size_t>(length) + 1);
        tallies.batchLog = &log;
        stretches.reserve(static_cast<std::size_t>(kBins) + 1);
        boundaries.reserve(static_cast<std::size_t>(kBins) + 2);
    }

    // Runs the stretches from the guessed position of the stream that stood
    // at `trueStart`, recording where each history starts.
    void run(const RandomGenerator& trueStart, float fieldDiameter, FastPhysics& physics) {
        RandomGenerator g = trueStart;
        g.advanceTo(guessedAt);
        boundaries.clear();
        tallies.clear();
        log.clear();
        flights = 0;
        std::size_t h = 0;
        for (const Stretch& s : stretches) {
            boundaries.push_back(g);
            for (std::int32_t i = 0; i < s.histories; ++i, ++h) {
                starts[h] = g.position();
                logStarts[h] = log.size();
                flights += trackPhoton(s.bin, fieldDiameter, physics, g, tallies, s.batch(i));
            }
        }
        logStarts[h] = log.size();
        boundaries.push_back(g);
    }
};

std::int64_t runStretch(const Stretch& stretch, float fieldDiameter, FastPhysics& physics, RandomGenerator& random,
                        Tallies& tallies) {
    std::int64_t flights = 0;
    for (std::int32_t h = 0; h < stretch.histories; ++h) {
        flights += trackPhoton(stretch.bin, fieldDiameter, physics, random, tallies, stretch.batch(h));
    }
    return flights;
}

// What a join adds: true histories into the tallies, guessed ones to be
// taken back out into `dropped`.
struct Join {
    FastPhysics& physics;
    float fieldDiameter;
    Tallies& tallies;
    Tallies& dropped;
    std::int64_t flights = 0;         // of the true histories computed here
    std::int64_t droppedFlights = 0;  // of the guessed histories taken out
    std::int64_t histories = 0;       // run here, true and taken out alike
};

// Joins a guessed stretch (generator `from` at its first history, `to` after
// its last, `starts` of each history, `logStarts` of each history's log
// entries and of the entries after its last) to the true sequence at
// `truth`, and leaves `truth` after the stretch's last true history.
void joinStretch(const Stretch& stretch, RandomGenerator& truth, const RandomGenerator& from,
                 const RandomGenerator& to, const std::uint64_t* starts, const std::size_t* logStarts,
                 const std::vector<BatchEntry>& log, Join& join) {
    const std::int32_t n = stretch.histories;
    std::int32_t i = 0, j = 0;  // true history i, guessed history j
    for (; i < n; ++i) {
        const std::uint64_t at = truth.position();
        while (j < n && starts[j] < at) ++j;
        if (j < n && starts[j] == at) break;
        join.flights += trackPhoton(stretch.bin, join.fieldDiameter, join.physics, truth, join.tallies, stretch.batch(i));
    }
    RandomGenerator replay = from;
    if (i == n) {  // never met: every guessed history is taken out
        join.histories += 2 * static_cast<std::int64_t>(n);
        join.droppedFlights += runStretch(stretch, join.fieldDiameter, join.physics, replay, join.dropped);
        return;
    }
    // True histories i, i + 1, ... are the guessed j, j + 1, ...: `taken` of
    // them lie within the stretch both ways.
    const std::int32_t taken = std::min(n - i, n - j);
    join.histories += static_cast<std::int64_t>(i) + j + (n - j - taken) + (n - i - taken);
    join.droppedFlights += runStretch(stretch.part(0, j), join.fieldDiameter, join.physics, replay, join.dropped);
    // The kept histories were scored in the batches of their guessed indices
    // j + m; what those whose true index i + m lies in another batch added is
    // moved there.
    for (std::int32_t m = 0; i != j && m < taken; ++m) {
        const int guessedBatch = stretch.batch(j + m), trueBatch = stretch.batch(i + m);
        if (guessedBatch == trueBatch) continue;
        const auto h = static_cast<std::size_t>(j + m);
        for (std::size_t e = logStarts[h]; e < logStarts[h + 1]; ++e) {
            join.tallies.moveBetweenBatches(log[e], guessedBatch, trueBatch);
        }
    }
    if (j + taken < n) {
        // The guessed histories ran past the true stretch's end, which is
        // where the first of them not taken starts.
        replay.advanceTo(starts[j + taken]);
        truth = replay;
        join.droppedFlights += runStretch(stretch.part(j + taken, n - j - taken), join.fieldDiameter, join.physics,
                                          replay, join.dropped);
    } else {
        truth = to;
    }
    // The true histories past the guessed stretch's last.
    join.flights += runStretch(stretch.part(i + taken, n - i - taken), join.fieldDiameter, join.physics, truth,
                               join.tallies);
}

// The run's histories in order, handed out a piece at a time.
class HistoryCursor {
public:
    HistoryCursor(const RunParameters& parameters, const IncidentSpectrum& spectrum) {
        const int bins = binsInTables(parameters.binCount);
        for (int k = 1; k <= bins; ++k) {
            const std::int32_t n = historyCount(parameters, spectrum, k);
            if (n > 0) bins_.push_back({k, n, 0, n});
        }
        for (const Stretch& s : bins_) left_ += s.histories;
    }

    std::int64_t left() const { return left_; }

    // The next `count` histories as stretches of one bin each.
    void take(std::int64_t count, std::vector<Stretch>& out) {
        out.clear();
        while (count > 0 && next_ < bins_.size()) {
            const std::int32_t inBin = bins_[next_].histories - usedInBin_;
            const auto part = static_cast<std::int32_t>(std::min<std::int64_t>(count, inBin));
            out.push_back(bins_[next_].part(usedInBin_, part));
            usedInBin_ += part;
            count -= part;
            left_ -= part;
            if (usedInBin_ == bins_[next_].histories) {
                ++next_;
                usedInBin_ = 0;
            }
        }
    }

private:
    std::vector<Stretch> bins_;
    std::size_t next_ = 0;
    std::int32_t usedInBin_ = 0;
    std::int64_t left_ = 0;
};

// The draws a history takes, measured per bin, for guessing where a piece
// starts. A bin not yet measured takes the rate of the nearest measured bin
// below it.
class DrawRate {
public:
    // The guess for a history when no bin below has been measured yet: a
    // primary photon's two entry draws and a handful of flights and scatters.
    static constexpr double kFallbackDrawsPerHistory = 30.0;

    double perHistory(int k) const {
        for (int b = k; b >= 1; --b) {
            const auto i = static_cast<std::size_t>(b);
            if (histories_[i] > 0) return draws_[i] / histories_[i];
        }
        return kFallbackDrawsPerHistory;
    }

    // The stretch's histories took the stream from position `from` to `to`.
    void measure(const Stretch& stretch, std::uint64_t from, std::uint64_t to) {
        draws_[static_cast<std::size_t>(stretch.bin)] += static_cast<double>(to - from);
        histories_[static_cast<std::size_t>(stretch.bin)] += stretch.histories;
    }

private:
    std::array<double, kBins + 1> draws_{}, histories_{};
};

// The progress lines of the bins, each written once, in order.
class ProgressLines {
public:
    ProgressLines(std::ostream& progress, const RunParameters& parameters)
        : progress_(progress), parameters_(parameters) {}

    // Writes the lines of every bin up to k not yet written.
    void announceThrough(int k) {
        for (; announced_ < k; ++announced_) writeProgressLine(progress_, announced_ + 1, parameters_);
    }

private:
    std::ostream& progress_;
    const RunParameters& parameters_;
    int announced_ = 0;
};

}  // namespace

int availableCores() {
    // The joins run on the first core while the others wait; past 16 cores
    // their extra histories (a quarter of the run's at 32 cores) cost more
    // than the cores add. More can still be asked for explicitly.
    return std::min(allowedCoresOfThisProcess(), 16);
}

void runHistoriesInParallel(const RunParameters& parameters, const IncidentSpectrum& spectrum,
                            const MaterialTable& material, RandomGenerator& random, Tallies& tallies,
                            std::ostream& progress, HistoryStatistics* statistics, const ParallelSettings& settings) {
    const auto cores = static_cast<std::size_t>(std::max(1, settings.cores));
    const std::int64_t pieceLength = std::max<std::int32_t>(1, settings.pieceHistories);
    const float fieldDiameter = parameters.fieldDiameter;

    // The state of the run, which outlives the helpers (the pool, made last,
    // is destroyed first, after any round still running): one set of tables
    // for all cores, and per core its physics and its piece.
    const FastTables tables(material);
    std::vector<std::unique_ptr<FastPhysics>> physics;
    std::vector<GuessedPiece> pieces(cores);
    for (std::size_t w = 0; w < cores; ++w) {
        physics.push_back(std::make_unique<FastPhysics>(tables));
        pieces[w].prepare(pieceLength);
    }
    auto dropped = std::make_unique<Tallies>();
    DrawRate drawRate;
    ProgressLines progressLines(progress, parameters);
    HistoryStatistics counted;

    // Core w > 0 is helper w - 1; this thread computes piece 0.
    RoundPool helpers(cores - 1);
    const std::size_t working = helpers.size() + 1;
    HistoryCursor cursor(parameters, spectrum);
    while (cursor.left() > 0) {
        // Equal pieces, so that the cores finish together.
        const std::int64_t roundLength =
            std::min<std::int64_t>(cursor.left(), pieceLength * static_cast<std::int64_t>(working));
        const auto pieceCount =
            static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(working), roundLength));
        for (std::size_t w = 0; w < pieceCount; ++w) {
            const auto n = static_cast<std::int64_t>(pieceCount);
            cursor.take(roundLength / n + (static_cast<std::int64_t>(w) < roundLength % n ? 1 : 0), pieces[w].stretches);
        }
        progressLines.announceThrough(pieces[pieceCount - 1].stretches.back().bin);

        // Each later piece starts where the pieces before it are expected to
        // leave the stream.
        double guess = static_cast<double>(random.position());
        for (std::size_t w = 1; w < pieceCount; ++w) {
            for (const Stretch& s : pieces[w - 1].stretches) guess += s.histories * drawRate.perHistory(s.bin);
            const double shifted =
                std::max(guess + static_cast<double>(settings.guessOffset), static_cast<double>(random.position()));
            pieces[w].guessedAt = static_cast<std::uint64_t>(shifted);
        }
        const RandomGenerator trueStart = random;
        helpers.start(
            [&](std::size_t helper) {
                const std::size_t w = helper + 1;
                pieces[w].run(trueStart, fieldDiameter, *physics[w]);
            },
            pieceCount - 1);
        for (const Stretch& s : pieces[0].stretches) {
            const std::uint64_t from = random.position();
            counted.flights += runStretch(s, fieldDiameter, *physics[0], random, tallies);
            drawRate.measure(s, from, random.position());
            counted.histories += s.histories;
        }
        helpers.wait();

        for (std::size_t w = 1; w < pieceCount; ++w) {
            GuessedPiece& piece = pieces[w];
            dropped->clear();
            Join join{*physics[0], fieldDiameter, tallies, *dropped};
            std::size_t first = 0;  // of the stretch among the piece's histories
            for (std::size_t u = 0; u < piece.stretches.size(); ++u) {
                const Stretch& s = piece.stretches[u];
                drawRate.measure(s, piece.boundaries[u].position(), piece.boundaries[u + 1].position());
                joinStretch(s, random, piece.boundaries[u], piece.boundaries[u + 1], piece.starts.data() + first,
                            piece.logStarts.data() + first, piece.log, join);
                first += static_cast<std::size_t>(s.histories);
                counted.histories += s.histories;
            }
            tallies.addDifference(piece.tallies, *dropped);
            counted.flights += piece.flights - join.droppedFlights + join.flights;
            counted.rerunHistories += join.histories;
        }
    }
    progressLines.announceThrough(binsInTables(parameters.binCount));
    if (statistics) *statistics = counted;
}

}  // namespace corvane
