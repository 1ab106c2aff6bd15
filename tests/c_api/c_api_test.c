/* The entry point as a C host sees it, through the public header alone. */
#include "vorafile/vorafile.h"

#include <stdio.h>

static int failures;
static int passes;

static void expect(uint32_t got, uint32_t want, const char *what) {
  if (got == want) {
    ++passes;
  } else {
    ++failures;
    fprintf(stderr, "FAILED: %s: got %u, want %u\n", what, (unsigned)got,
            (unsigned)want);
  }
}

int main(void) {
  NodeInfoBlock block = {0};
  expect(SendVoraFileMsg(VORA_MSG_NOTHING, 0, 0, 0, 0), 0, "1004 before 1000");
  expect(SendVoraFileMsg(VORA_MSG_DESTROY, 0, 0, 0, 0), 0, "1001 before 1000");
  expect(SendVoraFileMsg(VORA_MSG_CREATE, 0, 0, 0, 0), 1, "first 1000");
  expect(SendVoraFileMsg(VORA_MSG_CREATE, 0, 0, 0, 0), 0, "second 1000");
  expect(SendVoraFileMsg(VORA_MSG_NOTHING, 7, 0, 0, 0), 1, "1004");
  expect(SendVoraFileMsg(1005, 0, 0, 0, 0), 0, "1005");
  expect(SendVoraFileMsg(VORA_MSG_RELEASE_INFO, (uintptr_t)&block, 0, 0, 0), 1,
         "1011 on an empty block");
  expect(SendVoraFileMsg(VORA_MSG_DESTROY, 0, 0, 0, 0), 1, "1001");
  expect(SendVoraFileMsg(VORA_MSG_NOTHING, 0, 0, 0, 0), 0, "1004 after 1001");
  printf("%d passed, %d failed\n", passes, failures);
  return failures == 0 ? 0 : 1;
}
