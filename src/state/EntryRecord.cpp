#include "state/EntryRecord.h"

#include <cmath>

namespace kestrane {

namespace {
std::optional<double>* slot(ObservationValues& v, EntryItem item) {
    switch (item) {
    case EntryItem::Xa: return &v.Xa;
    case EntryItem::Ya: return &v.Ya;
    case EntryItem::Xb: return &v.Xb;
    case EntryItem::Yb: return &v.Yb;
    case EntryItem::Xc: return &v.Xc;
    case EntryItem::Yc: return &v.Yc;
    case EntryItem::T0: return &v.T0;
    case EntryItem::Qa: return &v.Qa;
    case EntryItem::Tolerance: return &v.tolerance;
    default: return nullptr;
    }
}
}  // namespace

void EntryRecord::accepted(EntryItem item, double value) {
    switch (item) {
    case EntryItem::Triangles: values_.triangles = static_cast<int>(value); break;
    case EntryItem::Angle: values_.angles.push_back(value); break;
    case EntryItem::Side: values_.sides.push_back(value); break;
    case EntryItem::Name: break;
    default: *slot(values_, item) = value; break;
    }
    changed();
}

void EntryRecord::acceptedName(const std::string& name) {
    values_.names.push_back(name);
    changed();
}

void EntryRecord::withdrawn(EntryItem x, EntryItem y) {
    if (auto* s = slot(values_, x)) s->reset();
    if (auto* s = slot(values_, y)) s->reset();
    changed();
}

void EntryRecord::clear() {
    const AprioriSettings settings = values_.settings;
    values_ = ObservationValues();
    values_.settings = settings;
}

void EntryRecord::changed() {
    if (listener_) listener_();
}

}  // namespace kestrane
