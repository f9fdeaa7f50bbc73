// What the user accepted in one computation, in entry order: the values an
// observation file holds. Recorded as each value is accepted, independent of
// what the stages later do with the state (the tolerance's place holds mb
// once a computation completes; the sides are adjusted in place).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "state/AprioriModel.h"

namespace kestrane {

// The observation values of one network, as typed (or read from a file).
// Every value is optional or a list, since an unfinished computation has only
// the first of them. Coordinates in metres (X northing, Y easting; 0 and 0
// for a B or C that is not known), T0, Qa and angles packed d.mmss as typed,
// sides in metres, the tolerance in seconds of arc.
struct ObservationValues {
    std::optional<int> triangles;
    std::optional<double> tolerance;
    std::optional<double> Xa, Ya, Xb, Yb, Xc, Yc;
    std::optional<double> T0, Qa;
    std::vector<std::string> names;  // A, the chain, the closure point
    std::vector<double> angles;      // a(1), b(1), c(1), a(2), ... in entry order
    std::vector<double> sides;       // in entry order; the side known from coordinates is not asked
    // The a-priori model and weighting, as given; settings, not entries.
    AprioriSettings settings;

    bool empty() const { return !triangles; }
    bool operator==(const ObservationValues&) const = default;
};

// The values a computation asks for, by kind.
enum class EntryItem { Triangles, Tolerance, Xa, Ya, Xb, Yb, Xc, Yc, T0, Qa, Name, Angle, Side };

// Told of every accepted value by the entry stages and the confirmed-entry
// protocol.
class EntryRecorder {
public:
    virtual ~EntryRecorder() = default;
    virtual void accepted(EntryItem item, double value) = 0;
    virtual void acceptedName(const std::string& name) = 0;
    // A point refused after both its coordinates were accepted (one of them
    // 0): they are asked again, and the recorded ones no longer count.
    virtual void withdrawn(EntryItem x, EntryItem y) = 0;
};

// Keeps the accepted values of the current or last computation.
class EntryRecord : public EntryRecorder {
public:
    void accepted(EntryItem item, double value) override;
    void acceptedName(const std::string& name) override;
    void withdrawn(EntryItem x, EntryItem y) override;

    // Starts a new computation: nothing accepted yet. The settings stay.
    void clear();
    void setSettings(const AprioriSettings& settings) { values_.settings = settings; }
    const ObservationValues& values() const { return values_; }
    // Called after every change (a value accepted or withdrawn).
    void setListener(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    void changed();
    ObservationValues values_;
    std::function<void()> listener_;
};

}  // namespace kestrane
