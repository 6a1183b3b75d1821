-- A forum: boards within boards, threads, posts answering posts, votes, and users who pin a post.
create table users (
  id integer primary key,
  username varchar(30) not null unique,
  email varchar(80) not null unique,
  created_at timestamp not null,
  karma integer not null check (karma >= 0),
  pinned_post_id integer references posts (id),
  profile text check (profile is null or json_valid(profile))
);
create table boards (
  id integer primary key,
  name varchar(60) not null,
  parent_board_id integer references boards (id)
);
create table threads (
  id integer primary key,
  board_id integer not null references boards (id),
  author_id integer not null references users (id),
  title varchar(120) not null,
  created_at timestamp not null
);
create table posts (
  id integer primary key,
  thread_id integer not null references threads (id),
  author_id integer not null references users (id),
  parent_post_id integer references posts (id),
  body varchar(2000) not null,
  created_at timestamp not null
);
create table post_votes (
  post_id integer not null references posts (id),
  user_id integer not null references users (id),
  vote smallint not null check (vote in (-1, 1)),
  primary key (post_id, user_id)
);
create table tags (
  name varchar(30) primary key check (name = lower(name))
) without rowid;
create table thread_tags (
  thread_id integer not null references threads (id),
  tag varchar(30) not null references tags (name),
  primary key (thread_id, tag)
);
create table attachments (
  id integer primary key,
  post_id integer not null references posts (id),
  file_name varchar(100) not null,
  content blob not null,
  thumbnail blob
);
create table follows (
  follower_id integer not null references users (id),
  followee_id integer not null references users (id),
  since timestamp not null,
  primary key (follower_id, followee_id),
  check (follower_id <> followee_id)
);
create table direct_messages (
  id integer primary key,
  sender_id integer not null references users (id),
  recipient_id integer not null references users (id),
  body varchar(500) not null,
  check (sender_id != recipient_id)
);
