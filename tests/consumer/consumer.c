/* A C host: the entry answers without any package. */
#include <vorafile/vorafile.h>

#include <stdio.h>

int main(void) {
  /* Before the file manager exists every message but "create" answers 0. */
  uint32_t before = SendVoraFileMsg(VORA_MSG_NOTHING, 0, 0, 0, 0);
  uint32_t created = SendVoraFileMsg(VORA_MSG_CREATE, 0, 0, 0, 0);
  uint32_t nothing = SendVoraFileMsg(VORA_MSG_NOTHING, 0, 0, 0, 0);
  uint32_t destroyed = SendVoraFileMsg(VORA_MSG_DESTROY, 0, 0, 0, 0);
  if (before != 0 || created != 1 || nothing != 1 || destroyed != 1) {
    fprintf(stderr, "C consumer: answers %u %u %u %u, want 0 1 1 1\n",
            (unsigned)before, (unsigned)created, (unsigned)nothing,
            (unsigned)destroyed);
    return 1;
  }
  printf("C consumer: ok\n");
  return 0;
}
