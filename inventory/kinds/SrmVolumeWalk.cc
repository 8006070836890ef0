#include "inventory/kinds/SrmVolumeWalk.h"

#include <new>
#include <vector>

#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmResourceList.h"
#include "inventory/record/internal/SrmOutOfMemory.h"

namespace {

SrmResourceIdMap *subVolumesOf(SrmVolume *v) {
    SrmResourceList *list = v->getSubVolumeList();
    return list != nullptr ? list->getSrmResourceIdMap(SRM_RES_VOLUME) : nullptr;
}

// A volume on the walk's own stack, with the next of its sub-volumes to enter.
struct Frame {
    SrmVolume *volume;
    SrmResourceIdMap *subs;
    SrmResourceIdMap::iterator next;
};

Frame frameOf(SrmVolume *v) {
    SrmResourceIdMap *subs = subVolumesOf(v);
    return Frame{v, subs, subs != nullptr ? subs->begin() : SrmResourceIdMap::iterator()};
}

}  // namespace

// The stack is explicit so that the depth of a hierarchy read from a file
// never decides how deep the machine stack grows. A volume is marked when it is
// entered, so a sub-volume list that leads back to a volume still on the stack
// is passed over instead of followed.
int SrmVolumeWalk::subVolumesFirst(SrmResource *top, const Visitor &visit) {
    auto *root = dynamic_cast<SrmVolume *>(top);
    if (root == nullptr || visited(root)) {
        return 1;
    }
    try {
        std::vector<Frame> stack;
        seen.insert(root);
        stack.push_back(frameOf(root));
        while (!stack.empty()) {
            Frame &frame = stack.back();
            if (frame.subs != nullptr && frame.next != frame.subs->end()) {
                auto *child = dynamic_cast<SrmVolume *>(frame.next->second);
                ++frame.next;
                if (child != nullptr && seen.insert(child).second) {
                    stack.push_back(frameOf(child));
                }
                continue;
            }
            SrmVolume *done = frame.volume;
            stack.pop_back();
            if (visit(done) == 0) {
                return 0;
            }
        }
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return 0;
    }
    return 1;
}

int srmVolumeHolds(SrmResource *from, SrmResource *target) {
    if (from == nullptr || target == nullptr) {
        return 0;
    }
    bool found = false;
    SrmVolumeWalk walk;
    int finished = walk.subVolumesFirst(from, [&found, target](SrmVolume *v) {
        found = static_cast<SrmResource *>(v) == target;
        return found ? 0 : 1;
    });
    // A walk cut short by lack of memory cannot rule a loop out; callers use
    // the answer to refuse links, so doubt counts as "holds".
    return found || finished == 0 ? 1 : 0;
}
