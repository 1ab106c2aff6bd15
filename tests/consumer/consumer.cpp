// A C++ host: the header's declarations link from C++ (extern "C").
#include <vorafile/vorafile.h>

#include <cstdint>
#include <cstdio>

int main() {
  const std::uint32_t created = SendVoraFileMsg(VORA_MSG_CREATE, 0, 0, 0, 0);
  // Numbers that are not messages answer 0 and do nothing.
  const std::uint32_t unknown = SendVoraFileMsg(1005u, 0, 0, 0, 0);
  const std::uint32_t destroyed = SendVoraFileMsg(VORA_MSG_DESTROY, 0, 0, 0, 0);
  if (created != 1 || unknown != 0 || destroyed != 1) {
    std::fprintf(stderr, "C++ consumer: answers %u %u %u, want 1 0 1\n",
                 static_cast<unsigned>(created), static_cast<unsigned>(unknown),
                 static_cast<unsigned>(destroyed));
    return 1;
  }
  std::printf("C++ consumer: ok\n");
  return 0;
}
