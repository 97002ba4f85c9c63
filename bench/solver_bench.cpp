// The constraint solver alone: adding the constraints of a row of views to a fresh solver and
// reading every value back, then moving an edit variable, for two shapes of system:
//
//   flat     each view stands on its own (pinned left and top, a minimum width, a preferred
//            width): rows stay short however many views there are;
//   chained  each view is placed from the one before (its left edge after the previous
//            right edge, its top on the previous top): every edge depends on all before it.
//
//   solver_bench [max-seconds]
//
// Each view brings four constraints, so the sizes are 100, 1000, 3000 and 10000 constraints
// rounded to whole views. A size is measured three times and the best round counts; once one
// add + read of a shape takes longer than max-seconds (default 10), its larger sizes are
// skipped and shown as "-".
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "Layout/Solver.h"

namespace {

using namespace Layout;
using Clock = std::chrono::steady_clock;

double secondsOf(const std::function<void()>& run)
{
    const auto start = Clock::now();
    run();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct View {
    Variable left { "left" };
    Variable top { "top" };
    Variable width { "width" };
};

std::vector<Constraint> flatSystem(const std::vector<View>& views)
{
    std::vector<Constraint> constraints;
    for (size_t i = 0; i < views.size(); ++i) {
        const View& v = views[i];
        constraints.emplace_back(v.left, Relation::Equal, 8.0 + double(i % 40) * 10.0);
        constraints.emplace_back(v.top, Relation::Equal, 20.0 + double(i / 40) * 50.0);
        constraints.emplace_back(v.width, Relation::GreaterOrEqual, 44.0);
        constraints.emplace_back(v.width, Relation::Equal, 100.0, Strength::atLevel(250));
    }
    return constraints;
}

std::vector<Constraint> chainedSystem(const std::vector<View>& views)
{
    std::vector<Constraint> constraints;
    for (size_t i = 0; i < views.size(); ++i) {
        const View& v = views[i];
        if (i == 0) {
            constraints.emplace_back(v.left, Relation::Equal, 8.0);
            constraints.emplace_back(v.top, Relation::Equal, 20.0);
        } else {
            const View& before = views[i - 1];
            constraints.emplace_back(v.left, Relation::Equal, before.left + before.width + 8.0);
            constraints.emplace_back(v.top, Relation::Equal, before.top);
        }
        constraints.emplace_back(v.width, Relation::GreaterOrEqual, 44.0);
        constraints.emplace_back(v.width, Relation::Equal, 100.0, Strength::atLevel(250));
    }
    return constraints;
}

struct Figures {
    double addRead = -1; // seconds for add + read back; negative when skipped
    double edit = -1;    // seconds for one suggestValue + reading the moved values
};

Figures measure(int viewCount, bool chained)
{
    Figures figures;
    for (int round = 0; round < 3; ++round) {
        std::vector<View> views(viewCount);
        auto constraints = chained ? chainedSystem(views) : flatSystem(views);
        Solver solver;
        double sum = 0;
        double t = secondsOf([&] {
            for (const auto& c : constraints)
                solver.addConstraint(c);
            for (const auto& v : views)
                sum += solver.valueOf(v.left) + solver.valueOf(v.top) + solver.valueOf(v.width);
        });
        if (sum < 0)
            std::printf("negative sum\n"); // keeps the reads from being optimised away

        // The first view's width is dragged: in the chained system every view after it moves.
        const Variable& edited = views.front().width;
        solver.addEditVariable(edited, Strength::atLevel(500)); // above the preferred width
        constexpr int moves = 50;
        double e = secondsOf([&] {
            for (int m = 0; m < moves; ++m) {
                solver.suggestValue(edited, 60.0 + m);
                sum += solver.valueOf(views.back().left);
            }
        }) / moves;
        const double expected = chained ? 8.0 + (60.0 + moves - 1) + 8.0 + (viewCount - 2) * 108.0 : 8.0 + double((viewCount - 1) % 40) * 10.0;
        if (viewCount > 1 && std::abs(solver.valueOf(views.back().left) - expected) > 1e-6)
            std::printf("wrong answer: last left %.6f, expected %.6f\n", solver.valueOf(views.back().left), expected);

        figures.addRead = figures.addRead < 0 ? t : std::min(figures.addRead, t);
        figures.edit = figures.edit < 0 ? e : std::min(figures.edit, e);
        if (t > 2.0)
            break; // one round of a slow size says enough
    }
    return figures;
}

// "-" for a size that was skipped.
std::string figure(double seconds, double scale, const char* unit)
{
    if (seconds < 0)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.3g %s", seconds * scale, unit);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    const double maxSeconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const int constraintCounts[] = { 100, 1000, 3000, 10000 };

    std::printf("| system | constraints | add + read back | edit move |\n");
    std::printf("|---|---:|---:|---:|\n");
    for (bool chained : { false, true }) {
        bool skip = false;
        for (int count : constraintCounts) {
            const int views = count / 4;
            Figures figures;
            if (!skip) {
                figures = measure(views, chained);
                skip = figures.addRead > maxSeconds;
            }
            std::printf("| %s | %d | %s | %s |\n", chained ? "chained" : "flat", views * 4, figure(figures.addRead, 1e3, "ms").c_str(),
                        figure(figures.edit, 1e6, "us").c_str());
            std::fflush(stdout);
        }
    }
    return 0;
}
