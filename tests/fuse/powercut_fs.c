// SPDX-License-Identifier: GPL-3.0-or-later
/*
 * powercut_fs: a pass-through FUSE file system for tests that cut the power.
 *
 *   powercut_fs BACKING MOUNTPOINT [-o OPTION,...] [-f]   mount; prints the daemon's pid
 *   powercut_fs cut MOUNTPOINT       drop everything not yet durable (synchronous)
 *   powercut_fs sync MOUNTPOINT      make everything durable, as if the disk had been flushed
 *   powercut_fs counts MOUNTPOINT    print the sync requests received, one "kind number" a line
 *
 * Unmount with `fusermount3 -u MOUNTPOINT` (the daemon then exits). Without -f the command
 * returns once the mount is in place and prints the pid of the daemon serving it, so a test can
 * stop it (SIGSTOP) to make the mount stop answering, and resume it (SIGCONT).
 *
 * DURABILITY MODEL (strict POSIX, the least any disk promises)
 *   - Everything in BACKING when the mount is made is durable.
 *   - A file's bytes, permissions, owner and times become durable at an fsync or fdatasync of
 *     that file, as they are at that instant.
 *   - A folder's names (create, mkdir, symlink, link, unlink, rmdir, both sides of a rename)
 *     become durable at an fsync of that folder: its list of names, each naming the file it
 *     names at that instant. A rename between two folders is two changes, one per folder, so a
 *     cut between the two syncs can leave the file under both names (hard links) or under none.
 *   - A name made durable for a file whose bytes never were comes back as an empty file with the
 *     permissions it was created with.
 *   - `powercut_fs sync` makes everything durable.
 *   - syncfs(2) and sync(2) never reach a FUSE daemon here: the kernel sends FUSE_SYNCFS only to
 *     virtiofs, and this libfuse (3.14) has no handler for it either (checked on Linux 6.18: no
 *     request arrives). So, as on any FUSE file system, they make nothing durable in this model.
 *     (A daemon writing into a local image would have its writes flushed by a sync(2) of the
 *     disk below; a network share would not. This model is the network share.)
 *   A cut replaces BACKING's contents with the durable state, in place, and goes on serving.
 *   Files open at a cut keep pointing at what they were; reopen them after a cut. The durable
 *   copies of changed files are kept in memory: this is for test-sized files. Nothing else may
 *   change BACKING while it is mounted.
 *
 * OPTIONS (-o, comma separated)
 *   ignore_fsync      fsync and folder fsync answer ENOSYS, upon which the kernel answers every
 *                     fsync of this mount with success by itself, without asking again: a FUSE
 *                     file system without an fsync operation. Nothing becomes durable.
 *   dirsync_einval    a folder fsync answers EINVAL and makes nothing durable.
 *   noreplace_einval  a rename with flags (RENAME_NOREPLACE, RENAME_EXCHANGE) answers EINVAL, as
 *                     FAT through FUSE does; a plain rename still replaces.
 *   no_links          link answers EPERM, as on FAT.
 *   zero_size         regular files report st_size 0 (and no blocks) whatever they hold, as phone
 *                     and network file systems do for files not fetched yet; reads bypass the
 *                     page cache, so read() still returns the bytes, while sendfile(2) from
 *                     such a file gives 0 bytes (the kernel stops at the reported size).
 *   endless=NAME      a folder NAME at the root (not in BACKING) whose listing never ends:
 *                     empty files named 000000000001.jpg, 000000000002.jpg, ...
 *
 * COUNTS
 *   `powercut_fs counts` (or getxattr "user.powercut.counts" on the mount's root) gives the
 *   requests that reached the daemon: fsync, fdatasync, fsyncdir, plus cuts and syncs. Under
 *   ignore_fsync only the first fsync and the first folder fsync arrive.
 *
 * CONTROL
 *   The commands above are setxattr "user.powercut.cut" / "user.powercut.sync" on the mount's
 *   root: a test can issue them directly; each returns once done.
 *
 * The daemon is single-threaded: every request is handled alone, so the model needs no locks.
 * It never touches its own mount point.
 */
#define FUSE_USE_VERSION 31
#define _GNU_SOURCE

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <fuse_lowlevel.h>
#include <limits.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <unistd.h>

static struct options {
  int ignore_fsync;
  int dirsync_einval;
  int noreplace_einval;
  int no_links;
  int zero_size;
  char* endless;
} opt;

static const struct fuse_opt option_spec[] = {
    {"ignore_fsync", offsetof(struct options, ignore_fsync), 1},
    {"dirsync_einval", offsetof(struct options, dirsync_einval), 1},
    {"noreplace_einval", offsetof(struct options, noreplace_einval), 1},
    {"no_links", offsetof(struct options, no_links), 1},
    {"zero_size", offsetof(struct options, zero_size), 1},
    {"endless=%s", offsetof(struct options, endless), 0},
    FUSE_OPT_END};

static int backing = -1;  // the backing folder, all access is relative to it
static char* backing_path;

static struct { long fsync, fdatasync, fsyncdir, cuts, syncs; } counts;

#define CONTROL_CUT "user.powercut.cut"
#define CONTROL_SYNC "user.powercut.sync"
#define CONTROL_COUNTS "user.powercut.counts"

/* ---- The model: what is durable, per file (inode) -------------------------------------- */

struct node;
struct entry {
  char* name;
  struct node* node;
};

// One file of the backing folder, found by its inode number while it has a name there.
// `pristine` means its durable state is what BACKING holds now: nothing about it changed since
// the mount (or the last cut or sync). Otherwise the durable state is kept here.
struct node {
  ino_t ino;
  int attached;  // still has a name in BACKING, so `ino` still means this file
  int pristine;
  struct stat meta;  // durable permissions, owner, times, device number
  char* data;        // durable bytes (files), target (symbolic links)
  size_t size;
  struct entry* entries;  // durable names (folders)
  size_t count;
  char* live;  // during a cut: where BACKING holds it now
  char* made;  // during a cut: where it was rebuilt, for hard links
  struct node *next_all, *next_hash;
};

#define BUCKETS 4096
static struct node* table[BUCKETS];
static struct node* all_nodes;

static void* xmalloc(size_t size) {
  void* p = malloc(size ? size : 1);
  if (!p) {
    perror("powercut_fs");
    abort();
  }
  return p;
}

static char* xstrdup(const char* s) {
  char* p = xmalloc(strlen(s) + 1);
  strcpy(p, s);
  return p;
}

static struct node* node_find(ino_t ino) {
  for (struct node* n = table[ino % BUCKETS]; n; n = n->next_hash)
    if (n->ino == ino)
      return n;
  return NULL;
}

// The file stops being reachable by its inode number (its last name is gone, and the number
// may be given to a new file); what durable names still lead to it keeps it.
static void node_detach(struct node* node) {
  if (!node->attached)
    return;
  struct node** link = &table[node->ino % BUCKETS];
  while (*link != node)
    link = &(*link)->next_hash;
  *link = node->next_hash;
  node->attached = 0;
}

static struct node* node_new(const struct stat* st, int pristine) {
  struct node* old = node_find(st->st_ino);
  if (old)
    node_detach(old);
  struct node* n = xmalloc(sizeof *n);
  memset(n, 0, sizeof *n);
  n->ino = st->st_ino;
  n->attached = 1;
  n->pristine = pristine;
  n->meta = *st;
  n->next_hash = table[st->st_ino % BUCKETS];
  table[st->st_ino % BUCKETS] = n;
  n->next_all = all_nodes;
  all_nodes = n;
  return n;
}

static struct node* node_of_stat(const struct stat* st) {
  struct node* n = node_find(st->st_ino);
  return n ? n : node_new(st, 1);
}

static void node_forget_durable(struct node* n) {
  free(n->data);
  n->data = NULL;
  n->size = 0;
  for (size_t i = 0; i < n->count; ++i)
    free(n->entries[i].name);
  free(n->entries);
  n->entries = NULL;
  n->count = 0;
}

// Everything becomes pristine: the durable state is BACKING as it is now.
static void forget_all(void) {
  while (all_nodes) {
    struct node* n = all_nodes;
    all_nodes = n->next_all;
    node_forget_durable(n);
    free(n->live);
    free(n->made);
    free(n);
  }
  memset(table, 0, sizeof table);
}

// The whole content of an open file, whatever its access mode.
static int read_all(int fd, char** data, size_t* size) {
  char proc[64];
  int own = -1;
  size_t capacity = 65536, length = 0;
  char* buffer = xmalloc(capacity);
  for (;;) {
    if (length == capacity) {
      capacity *= 2;
      char* bigger = realloc(buffer, capacity);
      if (!bigger)
        abort();
      buffer = bigger;
    }
    ssize_t got = pread(own >= 0 ? own : fd, buffer + length, capacity - length, (off_t)length);
    if (got < 0 && errno == EBADF && own < 0) {  // opened write-only: read it through /proc
      snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
      own = open(proc, O_RDONLY);
      if (own >= 0)
        continue;
    }
    if (got < 0) {
      int error = errno;
      free(buffer);
      if (own >= 0)
        close(own);
      return -error;
    }
    if (got == 0)
      break;
    length += (size_t)got;
  }
  if (own >= 0)
    close(own);
  *data = buffer;
  *size = length;
  return 0;
}

// A listing of the open folder `fd` from its start (the descriptor itself stays open).
static DIR* list_of(int fd) {
  int copy = dup(fd);
  DIR* dir = copy >= 0 ? fdopendir(copy) : NULL;
  if (!dir && copy >= 0)
    close(copy);
  if (dir)
    rewinddir(dir);  // a duplicate shares the position of earlier listings
  return dir;
}

// Records the current names of the open folder `fd` as its durable names.
static int snapshot_entries(struct node* n, int fd) {
  DIR* dir = list_of(fd);
  if (!dir)
    return -errno;
  node_forget_durable(n);
  size_t capacity = 16;
  n->entries = xmalloc(capacity * sizeof *n->entries);
  struct dirent* d;
  while ((d = readdir(dir))) {
    if (!strcmp(d->d_name, ".") || !strcmp(d->d_name, ".."))
      continue;
    struct stat st;
    if (fstatat(dirfd(dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) < 0)
      continue;
    if (n->count == capacity) {
      capacity *= 2;
      struct entry* bigger = realloc(n->entries, capacity * sizeof *n->entries);
      if (!bigger)
        abort();
      n->entries = bigger;
    }
    n->entries[n->count].name = xstrdup(d->d_name);
    n->entries[n->count].node = node_of_stat(&st);
    n->count++;
  }
  closedir(dir);
  return 0;
}

// Records the current state of the open file or folder `fd` as its durable state.
static int snapshot_fd(struct node* n, int fd) {
  struct stat st;
  if (fstat(fd, &st) < 0)
    return -errno;
  int result = 0;
  if (S_ISDIR(st.st_mode)) {
    result = snapshot_entries(n, fd);
  } else if (S_ISREG(st.st_mode)) {
    char* data = NULL;
    size_t size = 0;
    result = read_all(fd, &data, &size);
    if (result == 0) {
      node_forget_durable(n);
      n->data = data;
      n->size = size;
    }
  }
  if (result == 0) {
    n->meta = st;
    n->pristine = 0;
  }
  return result;
}

// The same for the file at `rel` (relative to BACKING, not followed if a symbolic link).
static int snapshot_at(struct node* n, const char* rel) {
  struct stat st;
  if (fstatat(backing, rel, &st, AT_SYMLINK_NOFOLLOW) < 0)
    return -errno;
  if (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) {
    int fd = openat(backing, rel, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
      return -errno;
    int result = snapshot_fd(n, fd);
    close(fd);
    return result;
  }
  node_forget_durable(n);
  if (S_ISLNK(st.st_mode)) {
    n->data = xmalloc(PATH_MAX);
    ssize_t length = readlinkat(backing, rel, n->data, PATH_MAX - 1);
    n->data[length < 0 ? 0 : length] = '\0';
  }
  n->meta = st;
  n->pristine = 0;
  return 0;
}

// Before a change: keeps the durable state of a file that was still pristine.
static struct node* preserve_at(const char* rel) {
  struct stat st;
  if (fstatat(backing, rel, &st, AT_SYMLINK_NOFOLLOW) < 0)
    return NULL;
  struct node* n = node_of_stat(&st);
  if (n->pristine)
    snapshot_at(n, rel);
  return n;
}

static void preserve_fd(int fd) {
  struct stat st;
  if (fstat(fd, &st) < 0)
    return;
  struct node* n = node_of_stat(&st);
  if (n->pristine)
    snapshot_fd(n, fd);
}

/* ---- Paths --------------------------------------------------------------------------------- */

// FUSE paths start with '/'; BACKING-relative paths do not, and the root is ".".
static const char* rel(const char* path) {
  return path[1] ? path + 1 : ".";
}

static void parent_of(const char* path, char* out) {
  const char* slash = strrchr(path, '/');
  size_t length = slash && slash != path ? (size_t)(slash - path) : 0;
  if (length == 0) {
    strcpy(out, ".");
  } else {
    memcpy(out, path + 1, length - 1);
    out[length - 1] = '\0';
  }
}

static void preserve_parent(const char* path) {
  char parent[PATH_MAX];
  parent_of(path, parent);
  preserve_at(parent);
}

// Before the name `path` goes away: keep what it names if this is its last name, and say so.
static struct node* preserve_dying(const char* path) {
  struct stat st;
  if (fstatat(backing, rel(path), &st, AT_SYMLINK_NOFOLLOW) < 0)
    return NULL;
  if (!S_ISDIR(st.st_mode) && st.st_nlink > 1)
    return NULL;
  return preserve_at(rel(path));
}

/* The endless folder, if any: "/NAME" and everything in it. */
#define ENDLESS_INO ((ino_t)0x7FFFFFF0)
static int endless_kind(const char* path) {
  if (!opt.endless)
    return 0;
  size_t length = strlen(opt.endless);
  if (path[0] != '/' || strncmp(path + 1, opt.endless, length))
    return 0;
  if (path[1 + length] == '\0')
    return 1;                              // the folder
  return path[1 + length] == '/' ? 2 : 0;  // a file in it
}

/* ---- Operations ---------------------------------------------------------------------------- */

static void* pc_init(struct fuse_conn_info* conn, struct fuse_config* cfg) {
  (void)conn;
  cfg->use_ino = 1;      // tests compare (device, inode) identities
  cfg->hard_remove = 1;  // no .fuse_hidden files: an open file is really unlinked
  cfg->nullpath_ok = 1;
  // Ask every time, so that what a cut changes is seen at once.
  cfg->entry_timeout = 0;
  cfg->attr_timeout = 0;
  cfg->negative_timeout = 0;
  cfg->kernel_cache = 0;
  cfg->direct_io = opt.zero_size;
  return NULL;
}

static void fill_fake(struct stat* st, mode_t mode, ino_t ino) {
  memset(st, 0, sizeof *st);
  st->st_mode = mode;
  st->st_nlink = S_ISDIR(mode) ? 2 : 1;
  st->st_ino = ino;
  st->st_uid = getuid();
  st->st_gid = getgid();
}

static int pc_getattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
  int kind = path ? endless_kind(path) : 0;
  if (kind) {
    fill_fake(st, kind == 1 ? S_IFDIR | 0555 : S_IFREG | 0444, kind == 1 ? ENDLESS_INO : 0);
    return 0;
  }
  int result = fi ? fstat((int)fi->fh, st) : fstatat(backing, rel(path), st, AT_SYMLINK_NOFOLLOW);
  if (result < 0)
    return -errno;
  if (opt.zero_size && S_ISREG(st->st_mode)) {
    st->st_size = 0;
    st->st_blocks = 0;
  }
  return 0;
}

static int pc_readlink(const char* path, char* buffer, size_t size) {
  ssize_t length = readlinkat(backing, rel(path), buffer, size - 1);
  if (length < 0)
    return -errno;
  buffer[length] = '\0';
  return 0;
}

static int made_new(const char* path) {
  struct stat st;
  if (fstatat(backing, rel(path), &st, AT_SYMLINK_NOFOLLOW) == 0)
    snapshot_at(node_new(&st, 0), rel(path));
  return 0;
}

static int pc_mknod(const char* path, mode_t mode, dev_t rdev) {
  if (endless_kind(path))
    return -EROFS;
  preserve_parent(path);
  if (mknodat(backing, rel(path), mode, rdev) < 0)
    return -errno;
  return made_new(path);
}

static int pc_mkdir(const char* path, mode_t mode) {
  if (endless_kind(path))
    return -EROFS;
  preserve_parent(path);
  if (mkdirat(backing, rel(path), mode) < 0)
    return -errno;
  return made_new(path);  // with no durable names of its own yet
}

static int pc_symlink(const char* target, const char* path) {
  if (endless_kind(path))
    return -EROFS;
  preserve_parent(path);
  if (symlinkat(target, backing, rel(path)) < 0)
    return -errno;
  return made_new(path);
}

static int pc_unlink(const char* path) {
  if (endless_kind(path))
    return -EROFS;
  preserve_parent(path);
  struct node* dying = preserve_dying(path);
  if (unlinkat(backing, rel(path), 0) < 0)
    return -errno;
  if (dying)
    node_detach(dying);
  return 0;
}

static int pc_rmdir(const char* path) {
  if (endless_kind(path))
    return -EROFS;
  preserve_parent(path);
  struct node* dying = preserve_dying(path);
  if (unlinkat(backing, rel(path), AT_REMOVEDIR) < 0)
    return -errno;
  if (dying)
    node_detach(dying);
  return 0;
}

static int pc_rename(const char* from, const char* to, unsigned int flags) {
  if (endless_kind(from) || endless_kind(to))
    return -EROFS;
  if (flags && opt.noreplace_einval)
    return -EINVAL;
  preserve_parent(from);
  preserve_parent(to);
  struct node* dying = NULL;
  struct stat source, victim;
  if (!(flags & RENAME_EXCHANGE) &&
      fstatat(backing, rel(from), &source, AT_SYMLINK_NOFOLLOW) == 0 &&
      fstatat(backing, rel(to), &victim, AT_SYMLINK_NOFOLLOW) == 0 &&
      source.st_ino != victim.st_ino)
    dying = preserve_dying(to);
  if (renameat2(backing, rel(from), backing, rel(to), flags) < 0)
    return -errno;
  if (dying)
    node_detach(dying);
  return 0;
}

static int pc_link(const char* from, const char* to) {
  if (endless_kind(from) || endless_kind(to))
    return -EROFS;
  if (opt.no_links)
    return -EPERM;
  preserve_parent(to);
  if (linkat(backing, rel(from), backing, rel(to), 0) < 0)
    return -errno;
  return 0;
}

static int pc_chmod(const char* path, mode_t mode, struct fuse_file_info* fi) {
  if (path && endless_kind(path))
    return -EROFS;
  if (fi) {
    preserve_fd((int)fi->fh);
    return fchmod((int)fi->fh, mode) < 0 ? -errno : 0;
  }
  preserve_at(rel(path));
  return fchmodat(backing, rel(path), mode, 0) < 0 ? -errno : 0;
}

static int pc_chown(const char* path, uid_t uid, gid_t gid, struct fuse_file_info* fi) {
  if (path && endless_kind(path))
    return -EROFS;
  if (fi) {
    preserve_fd((int)fi->fh);
    return fchown((int)fi->fh, uid, gid) < 0 ? -errno : 0;
  }
  preserve_at(rel(path));
  return fchownat(backing, rel(path), uid, gid, AT_SYMLINK_NOFOLLOW) < 0 ? -errno : 0;
}

static int pc_truncate(const char* path, off_t size, struct fuse_file_info* fi) {
  if (path && endless_kind(path))
    return -EROFS;
  if (fi) {
    preserve_fd((int)fi->fh);
    return ftruncate((int)fi->fh, size) < 0 ? -errno : 0;
  }
  preserve_at(rel(path));
  int fd = openat(backing, rel(path), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0)
    return -errno;
  int result = ftruncate(fd, size) < 0 ? -errno : 0;
  close(fd);
  return result;
}

static int pc_utimens(const char* path, const struct timespec tv[2], struct fuse_file_info* fi) {
  if (path && endless_kind(path))
    return -EROFS;
  if (fi) {
    preserve_fd((int)fi->fh);
    return futimens((int)fi->fh, tv) < 0 ? -errno : 0;
  }
  preserve_at(rel(path));
  return utimensat(backing, rel(path), tv, AT_SYMLINK_NOFOLLOW) < 0 ? -errno : 0;
}

// Opens the backing file; a write-only open is made read-write where allowed, so that an fsync
// can read back what it makes durable.
static int open_backing(const char* path, int flags, mode_t mode) {
  flags = (flags & ~(O_NOFOLLOW | O_EXCL)) | O_CLOEXEC;
  if ((flags & O_ACCMODE) == O_WRONLY) {
    int fd = openat(backing, rel(path), (flags & ~O_ACCMODE) | O_RDWR, mode);
    if (fd >= 0 || errno != EACCES)
      return fd;
  }
  return openat(backing, rel(path), flags, mode);
}

static int pc_open(const char* path, struct fuse_file_info* fi) {
  int kind = endless_kind(path);
  if (kind) {
    if ((fi->flags & O_ACCMODE) != O_RDONLY)
      return -EROFS;
    fi->fh = (uint64_t)-1;
    return 0;
  }
  if ((fi->flags & O_ACCMODE) != O_RDONLY || (fi->flags & O_TRUNC))
    preserve_at(rel(path));
  int fd = open_backing(path, fi->flags & ~O_CREAT, 0);
  if (fd < 0)
    return -errno;
  fi->fh = (uint64_t)fd;
  return 0;
}

static int pc_create(const char* path, mode_t mode, struct fuse_file_info* fi) {
  if (endless_kind(path))
    return -EROFS;
  struct stat st;
  int existed = fstatat(backing, rel(path), &st, AT_SYMLINK_NOFOLLOW) == 0;
  if (existed)
    preserve_at(rel(path));
  else
    preserve_parent(path);
  int fd = open_backing(path, fi->flags | O_CREAT, mode);
  if (fd < 0)
    return -errno;
  if (!existed && fstat(fd, &st) == 0)
    node_new(&st, 0)->pristine = 0;  // durable so far: an empty file
  fi->fh = (uint64_t)fd;
  return 0;
}

static int pc_read(const char* path, char* buffer, size_t size, off_t offset,
                   struct fuse_file_info* fi) {
  (void)path;
  if (fi->fh == (uint64_t)-1)
    return 0;
  ssize_t got = pread((int)fi->fh, buffer, size, offset);
  return got < 0 ? -errno : (int)got;
}

static int pc_write(const char* path, const char* buffer, size_t size, off_t offset,
                    struct fuse_file_info* fi) {
  (void)path;
  ssize_t put = pwrite((int)fi->fh, buffer, size, offset);
  return put < 0 ? -errno : (int)put;
}

static int pc_statfs(const char* path, struct statvfs* st) {
  (void)path;
  return fstatvfs(backing, st) < 0 ? -errno : 0;
}

static int pc_flush(const char* path, struct fuse_file_info* fi) {
  (void)path;
  (void)fi;
  return 0;
}

static int pc_release(const char* path, struct fuse_file_info* fi) {
  (void)path;
  if (fi->fh != (uint64_t)-1)
    close((int)fi->fh);
  return 0;
}

static int pc_fsync(const char* path, int datasync, struct fuse_file_info* fi) {
  (void)path;
  if (datasync)
    counts.fdatasync++;
  else
    counts.fsync++;
  if (opt.ignore_fsync)
    return -ENOSYS;
  if (fi->fh == (uint64_t)-1)
    return 0;
  struct stat st;
  if (fstat((int)fi->fh, &st) < 0)
    return -errno;
  // The model only: the backing file itself needs no sync, it is never the durable copy.
  return snapshot_fd(node_of_stat(&st), (int)fi->fh);
}

static int pc_opendir(const char* path, struct fuse_file_info* fi) {
  if (endless_kind(path)) {
    fi->fh = (uint64_t)-1;
    return 0;
  }
  int fd = openat(backing, rel(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return -errno;
  fi->fh = (uint64_t)fd;
  return 0;
}

static int endless_readdir(void* buffer, fuse_fill_dir_t filler, off_t offset) {
  // Offsets make the kernel come back for more, forever.
  for (off_t next = offset + 1;; ++next) {
    char name[32];
    snprintf(name, sizeof name, "%012lld.jpg", (long long)next);
    if (filler(buffer, name, NULL, next, 0))
      return 0;
  }
}

static int pc_readdir(const char* path, void* buffer, fuse_fill_dir_t filler, off_t offset,
                      struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
  (void)path;
  (void)flags;
  if (fi->fh == (uint64_t)-1)
    return endless_readdir(buffer, filler, offset);
  DIR* dir = list_of((int)fi->fh);
  if (!dir)
    return -errno;
  struct dirent* d;
  while ((d = readdir(dir))) {
    struct stat st;
    memset(&st, 0, sizeof st);
    st.st_ino = d->d_ino;
    st.st_mode = (mode_t)DTTOIF(d->d_type);
    filler(buffer, d->d_name, &st, 0, 0);
  }
  closedir(dir);
  // With nullpath_ok the path may be NULL: the root is the folder opened on the backing's inode.
  struct stat listed, root;
  if (opt.endless && fstat((int)fi->fh, &listed) == 0 && fstat(backing, &root) == 0 &&
      listed.st_ino == root.st_ino && listed.st_dev == root.st_dev) {
    struct stat st;
    // Not inode 0: the C library skips entries with that inode as deleted ones.
    fill_fake(&st, S_IFDIR | 0555, ENDLESS_INO);
    filler(buffer, opt.endless, &st, 0, 0);
  }
  return 0;
}

static int pc_releasedir(const char* path, struct fuse_file_info* fi) {
  (void)path;
  if (fi->fh != (uint64_t)-1)
    close((int)fi->fh);
  return 0;
}

static int pc_fsyncdir(const char* path, int datasync, struct fuse_file_info* fi) {
  (void)path;
  (void)datasync;
  counts.fsyncdir++;
  if (opt.ignore_fsync)
    return -ENOSYS;
  if (opt.dirsync_einval)
    return -EINVAL;
  if (fi->fh == (uint64_t)-1)
    return 0;
  struct stat st;
  if (fstat((int)fi->fh, &st) < 0)
    return -errno;
  return snapshot_fd(node_of_stat(&st), (int)fi->fh);
}

static int pc_access(const char* path, int mask) {
  if (endless_kind(path))
    return (mask & W_OK) ? -EROFS : 0;
  return faccessat(backing, rel(path), mask, AT_EACCESS) < 0 ? -errno : 0;
}

static int pc_fallocate(const char* path, int mode, off_t offset, off_t length,
                        struct fuse_file_info* fi) {
  (void)path;
  return fallocate((int)fi->fh, mode, offset, length) < 0 ? -errno : 0;
}

/* ---- Cutting the power: rebuild BACKING from the durable state ------------------------------ */

static int cut_failed;

static void cut_error(const char* what, const char* name) {
  fprintf(stderr, "powercut_fs: cut: %s %s: %s\n", what, name, strerror(errno));
  cut_failed = 1;
}

// Notes where BACKING now holds each file the model knows, to link or read pristine ones from.
static void note_live(int dirfd, const char* prefix, const char* skip) {
  DIR* dir = list_of(dirfd);
  if (!dir)
    return;
  struct dirent* d;
  while ((d = readdir(dir))) {
    if (!strcmp(d->d_name, ".") || !strcmp(d->d_name, "..") || (skip && !strcmp(d->d_name, skip)))
      continue;
    char path[PATH_MAX];
    snprintf(path, sizeof path, "%s%s", prefix, d->d_name);
    struct stat st;
    if (fstatat(dirfd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) < 0)
      continue;
    struct node* n = node_find(st.st_ino);
    if (!n)
      n = node_new(&st, 1);
    if (!n->live)
      n->live = xstrdup(path);
    if (S_ISDIR(st.st_mode)) {
      int sub = openat(dirfd, d->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0) {
        char next[PATH_MAX + 1];
        snprintf(next, sizeof next, "%s/", path);
        note_live(sub, next, NULL);
        close(sub);
      }
    }
  }
  closedir(dir);
}

static void build(struct node* n, int into, const char* name, const char* path);

// The durable names of folder `n`, rebuilt in the open folder `into` (at `path` in BACKING).
static void build_entries(struct node* n, int into, const char* path, const char* skip) {
  if (!n->pristine) {
    for (size_t i = 0; i < n->count; ++i) {
      char child[PATH_MAX];
      snprintf(child, sizeof child, "%s/%s", path, n->entries[i].name);
      build(n->entries[i].node, into, n->entries[i].name, child);
    }
    return;
  }
  // Pristine: its names are those BACKING holds now, each leading to the same file.
  int live = openat(backing, n->live ? n->live : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = live >= 0 ? fdopendir(live) : NULL;
  if (!dir) {
    if (live >= 0)
      close(live);
    return;
  }
  struct dirent* d;
  while ((d = readdir(dir))) {
    if (!strcmp(d->d_name, ".") || !strcmp(d->d_name, "..") || (skip && !strcmp(d->d_name, skip)))
      continue;
    struct stat st;
    if (fstatat(dirfd(dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) < 0)
      continue;
    char child[PATH_MAX];
    snprintf(child, sizeof child, "%s/%s", path, d->d_name);
    build(node_of_stat(&st), into, d->d_name, child);
  }
  closedir(dir);
}

static void restore_meta(int fd, const struct stat* meta) {
  const struct timespec times[2] = {meta->st_atim, meta->st_mtim};
  if (fchown(fd, meta->st_uid, meta->st_gid) < 0) {
    // as another user, keep our own
  }
  fchmod(fd, meta->st_mode & 07777);
  futimens(fd, times);
}

// Rebuilds file `n` under `name` in the open folder `into`; `path` is that place in BACKING.
static void build(struct node* n, int into, const char* name, const char* path) {
  mode_t type = n->meta.st_mode & S_IFMT;
  if (n->made) {
    // A second durable name: a hard link, unless a folder (it cannot have two; keep the first).
    if (type != S_IFDIR && linkat(backing, n->made, into, name, 0) < 0)
      cut_error("link", path);
    return;
  }
  n->made = xstrdup(path);
  if (type == S_IFDIR) {
    if (mkdirat(into, name, 0700) < 0) {
      cut_error("mkdir", path);
      return;
    }
    int fd = openat(into, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      cut_error("open", path);
      return;
    }
    build_entries(n, fd, path, NULL);
    struct stat now;
    if (n->pristine && n->live && fstatat(backing, n->live, &now, AT_SYMLINK_NOFOLLOW) == 0)
      restore_meta(fd, &now);
    else
      restore_meta(fd, &n->meta);
    close(fd);
  } else if (type == S_IFREG && n->pristine) {
    // Unchanged since it was last durable: the same file, still in BACKING.
    if (!n->live || linkat(backing, n->live, into, name, 0) < 0)
      cut_error("link", path);
  } else if (type == S_IFREG) {
    int fd = openat(into, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      cut_error("create", path);
      return;
    }
    for (size_t done = 0; done < n->size;) {
      ssize_t put = write(fd, n->data + done, n->size - done);
      if (put <= 0) {
        cut_error("write", path);
        break;
      }
      done += (size_t)put;
    }
    restore_meta(fd, &n->meta);
    close(fd);
  } else if (type == S_IFLNK) {
    char target[PATH_MAX];
    const char* to = n->data;
    if (n->pristine) {
      ssize_t length = n->live ? readlinkat(backing, n->live, target, sizeof target - 1) : -1;
      target[length < 0 ? 0 : length] = '\0';
      to = target;
    }
    if (symlinkat(to ? to : "", into, name) < 0)
      cut_error("symlink", path);
  } else if (mknodat(into, name, n->meta.st_mode, n->meta.st_rdev) < 0) {
    cut_error("mknod", path);
  }
}

static void remove_all(int dirfd, const char* skip) {
  DIR* dir = list_of(dirfd);
  if (!dir)
    return;
  struct dirent* d;
  while ((d = readdir(dir))) {
    if (!strcmp(d->d_name, ".") || !strcmp(d->d_name, "..") || (skip && !strcmp(d->d_name, skip)))
      continue;
    if (unlinkat(dirfd, d->d_name, 0) == 0)
      continue;
    int sub = openat(dirfd, d->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub >= 0) {
      remove_all(sub, NULL);
      close(sub);
    }
    if (unlinkat(dirfd, d->d_name, AT_REMOVEDIR) < 0)
      cut_error("remove", d->d_name);
  }
  closedir(dir);
}

static int cut(void) {
  char staging[64];
  snprintf(staging, sizeof staging, ".powercut-%ld-%ld", (long)getpid(), counts.cuts);
  struct stat root_stat;
  if (fstat(backing, &root_stat) < 0)
    return -errno;
  struct node* root = node_of_stat(&root_stat);
  note_live(backing, "", NULL);
  if (mkdirat(backing, staging, 0700) < 0)
    return -errno;
  int into = openat(backing, staging, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (into < 0)
    return -errno;
  cut_failed = 0;
  root->made = xstrdup(".");
  build_entries(root, into, staging, staging);
  remove_all(backing, staging);
  DIR* dir = list_of(into);
  struct dirent* d;
  while (dir && (d = readdir(dir))) {
    if (strcmp(d->d_name, ".") && strcmp(d->d_name, "..") &&
        renameat(into, d->d_name, backing, d->d_name) < 0)
      cut_error("rename", d->d_name);
  }
  if (dir)
    closedir(dir);
  close(into);
  if (unlinkat(backing, staging, AT_REMOVEDIR) < 0)
    cut_error("rmdir", staging);
  forget_all();  // BACKING is the durable state now
  counts.cuts++;
  return cut_failed ? -EIO : 0;
}

/* ---- Control through extended attributes of the root --------------------------------------- */

static int pc_setxattr(const char* path, const char* name, const char* value, size_t size,
                       int flags) {
  (void)value;
  (void)size;
  (void)flags;
  if (strcmp(path, "/"))
    return -ENOTSUP;
  if (!strcmp(name, CONTROL_CUT))
    return cut();
  if (!strcmp(name, CONTROL_SYNC)) {
    forget_all();
    counts.syncs++;
    return 0;
  }
  return -ENOTSUP;
}

static int pc_getxattr(const char* path, const char* name, char* value, size_t size) {
  if (strcmp(path, "/") || strcmp(name, CONTROL_COUNTS))
    return -ENODATA;
  char text[256];
  int length =
      snprintf(text, sizeof text, "fsync %ld\nfdatasync %ld\nfsyncdir %ld\ncuts %ld\nsyncs %ld\n",
               counts.fsync, counts.fdatasync, counts.fsyncdir, counts.cuts, counts.syncs);
  if (size == 0)
    return length;
  if ((size_t)length > size)
    return -ERANGE;
  memcpy(value, text, (size_t)length);
  return length;
}

static int pc_listxattr(const char* path, char* list, size_t size) {
  (void)path;
  (void)list;
  (void)size;
  return 0;
}

static int pc_removexattr(const char* path, const char* name) {
  (void)path;
  (void)name;
  return -ENODATA;
}

static const struct fuse_operations operations = {
    .init = pc_init,
    .getattr = pc_getattr,
    .readlink = pc_readlink,
    .mknod = pc_mknod,
    .mkdir = pc_mkdir,
    .symlink = pc_symlink,
    .unlink = pc_unlink,
    .rmdir = pc_rmdir,
    .rename = pc_rename,
    .link = pc_link,
    .chmod = pc_chmod,
    .chown = pc_chown,
    .truncate = pc_truncate,
    .utimens = pc_utimens,
    .open = pc_open,
    .create = pc_create,
    .read = pc_read,
    .write = pc_write,
    .statfs = pc_statfs,
    .flush = pc_flush,
    .release = pc_release,
    .fsync = pc_fsync,
    .opendir = pc_opendir,
    .readdir = pc_readdir,
    .releasedir = pc_releasedir,
    .fsyncdir = pc_fsyncdir,
    .access = pc_access,
    .fallocate = pc_fallocate,
    .setxattr = pc_setxattr,
    .getxattr = pc_getxattr,
    .listxattr = pc_listxattr,
    .removexattr = pc_removexattr,
};

/* ---- Command line -------------------------------------------------------------------------- */

static int control(const char* command, const char* mount) {
  if (!strcmp(command, "counts")) {
    char text[256];
    ssize_t length = getxattr(mount, CONTROL_COUNTS, text, sizeof text);
    if (length < 0) {
      perror(mount);
      return 1;
    }
    fwrite(text, 1, (size_t)length, stdout);
    return 0;
  }
  const char* name = !strcmp(command, "cut") ? CONTROL_CUT : CONTROL_SYNC;
  if (setxattr(mount, name, "", 0, 0) < 0) {
    perror(mount);
    return 1;
  }
  return 0;
}

// The daemon outlives the command that started it: it keeps none of that command's descriptors
// (a test runner waits for its output pipes to close), only /dev/fuse and the backing folder.
static void close_inherited(int fuse_fd) {
  long last = sysconf(_SC_OPEN_MAX);
  if (last < 0 || last > 65536)
    last = 65536;
  for (int fd = 3; fd < last; ++fd)
    if (fd != fuse_fd && fd != backing)
      close(fd);
}

static int take_backing(void* data, const char* arg, int key, struct fuse_args* args) {
  (void)data;
  (void)args;
  if (key == FUSE_OPT_KEY_NONOPT && !backing_path) {
    backing_path = realpath(arg, NULL);
    if (!backing_path) {
      perror(arg);
      exit(1);
    }
    return 0;
  }
  return 1;
}

int main(int argc, char* argv[]) {
  if (argc == 3 &&
      (!strcmp(argv[1], "cut") || !strcmp(argv[1], "sync") || !strcmp(argv[1], "counts")))
    return control(argv[1], argv[2]);

  struct fuse_args args = FUSE_ARGS_INIT(argc, argv);
  if (fuse_opt_parse(&args, &opt, option_spec, take_backing) < 0)
    return 1;
  struct fuse_cmdline_opts cmdline;
  if (fuse_parse_cmdline(&args, &cmdline) != 0)
    return 1;
  if (!backing_path || !cmdline.mountpoint) {
    fprintf(stderr,
            "usage: %s BACKING MOUNTPOINT [-o OPTION,...] [-f]\n"
            "       %s cut|sync|counts MOUNTPOINT\n",
            argv[0], argv[0]);
    return 1;
  }
  backing = open(backing_path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (backing < 0) {
    perror(backing_path);
    return 1;
  }
  fuse_opt_add_arg(&args, "-odefault_permissions,subtype=powercut");
  if (cmdline.debug)
    fuse_opt_add_arg(&args, "-odebug");
  struct fuse* fuse = fuse_new(&args, &operations, sizeof operations, NULL);
  if (!fuse)
    return 1;
  if (fuse_mount(fuse, cmdline.mountpoint) != 0)
    return 1;
  if (!cmdline.foreground) {
    // The mount is in place: hand the caller the daemon's pid and leave it serving.
    fflush(stdout);
    pid_t child = fork();
    if (child < 0) {
      perror("fork");
      fuse_unmount(fuse);
      return 1;
    }
    if (child > 0) {
      printf("%ld\n", (long)child);
      fflush(stdout);
      _exit(0);  // the daemon owns the mount now: nothing to clean up or report at exit here
    }
    setsid();
    close_inherited(fuse_session_fd(fuse_get_session(fuse)));
    if (chdir("/") < 0) {
      // nothing depends on the working folder
    }
    int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
      if (null > 2)
        close(null);
    }
  }
  struct fuse_session* session = fuse_get_session(fuse);
  fuse_set_signal_handlers(session);
  int result = fuse_loop(fuse);
  fuse_remove_signal_handlers(session);
  fuse_unmount(fuse);
  fuse_destroy(fuse);
  free(cmdline.mountpoint);
  fuse_opt_free_args(&args);
  return result ? 1 : 0;
}
