// The three limits are read from /proc and /sys each time: they change while the process runs
// (other processes take and release memory), and a check is made only before a large
// structure is built, a few times per run. A limit that cannot be read does not limit.
#include "util/memory_budget.hh"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "util/runtime_msgs.hh"

namespace {

constexpr std::size_t unlimited = std::numeric_limits<std::size_t>::max();

std::size_t room(std::size_t limit, std::size_t used) { return limit > used ? limit - used : 0; }

// MemAvailable and SwapFree of /proc/meminfo, in bytes.
std::size_t machine_available() {
  std::ifstream in("/proc/meminfo");
  std::string key;
  std::size_t kb = 0, total = 0;
  bool found = false;
  while (in >> key >> kb) {
    if (key == "MemAvailable:" || key == "SwapFree:") {
      total += kb * 1024;
      found = true;
    }
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  }
  return found ? total : unlimited;
}

bool read_number(const std::string& path, std::size_t& value) {
  std::ifstream in(path);
  std::string text;
  if (!(in >> text)) return false;
  if (text == "max") {
    value = unlimited;
    return true;
  }
  std::istringstream parse(text);
  return static_cast<bool>(parse >> value);
}

// The room under the memory limit of the process's cgroup: "0::/path" names the unified
// hierarchy (memory.max, memory.current), "N:memory:/path" the older memory controller
// (memory.limit_in_bytes, memory.usage_in_bytes). Inside a container the group's own directory
// is often the mount's root, so that is tried too.
std::size_t cgroup_room() {
  std::ifstream in("/proc/self/cgroup");
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t first = line.find(':'), second = line.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    const std::string controllers = line.substr(first + 1, second - first - 1);
    const std::string path = line.substr(second + 1);
    std::size_t limit = 0, used = 0;
    if (controllers.empty()) {
      for (const std::string& dir : {"/sys/fs/cgroup" + path, std::string("/sys/fs/cgroup")})
        if (read_number(dir + "/memory.max", limit) && read_number(dir + "/memory.current", used))
          return room(limit, used);
    } else if (controllers == "memory") {
      for (const std::string& dir : {"/sys/fs/cgroup/memory" + path, std::string("/sys/fs/cgroup/memory")})
        if (read_number(dir + "/memory.limit_in_bytes", limit) && read_number(dir + "/memory.usage_in_bytes", used))
          return room(limit, used);
    }
  }
  return unlimited;
}

// RLIMIT_AS less the address space already mapped (the first field of /proc/self/statm).
std::size_t address_space_room() {
  struct rlimit lim {};
  if (getrlimit(RLIMIT_AS, &lim) != 0 || lim.rlim_cur == RLIM_INFINITY) return unlimited;
  std::ifstream in("/proc/self/statm");
  std::size_t pages = 0;
  in >> pages;
  return room(static_cast<std::size_t>(lim.rlim_cur), pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)));
}

}  // namespace

std::size_t available_memory_bytes() {
  return std::min({machine_available(), cgroup_room(), address_space_room()});
}

void require_memory(std::size_t bytes) {
  if (bytes >= unchecked_below && bytes > available_memory_bytes()) out_of_memory();
}

void out_of_memory() { Abort("Out of memory"); }
