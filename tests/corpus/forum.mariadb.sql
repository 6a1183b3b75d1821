-- A forum: boards within boards, threads, posts answering posts, votes, and users who pin a post.
create table users (
  id bigint unsigned not null auto_increment primary key,
  username varchar(30) not null unique,
  email varchar(80) not null unique,
  created_at timestamp not null default current_timestamp,
  karma int not null check (karma >= 0),
  pinned_post_id bigint unsigned,
  notify set('replies', 'mentions', 'votes', 'digest') not null default 'replies,mentions',
  profile json
) engine = InnoDB default charset = utf8mb4;
create table boards (
  id bigint unsigned not null auto_increment primary key,
  name varchar(60) not null,
  parent_board_id bigint unsigned,
  foreign key (parent_board_id) references boards (id)
) engine = InnoDB default charset = utf8mb4;
create table threads (
  id bigint unsigned not null auto_increment primary key,
  board_id bigint unsigned not null,
  author_id bigint unsigned not null,
  title varchar(120) not null,
  created_at timestamp not null default current_timestamp,
  foreign key (board_id) references boards (id),
  foreign key (author_id) references users (id)
) engine = InnoDB default charset = utf8mb4;
create table posts (
  id bigint unsigned not null auto_increment primary key,
  thread_id bigint unsigned not null,
  author_id bigint unsigned not null,
  parent_post_id bigint unsigned,
  body mediumtext not null,
  created_at timestamp not null default current_timestamp,
  foreign key (thread_id) references threads (id),
  foreign key (author_id) references users (id),
  foreign key (parent_post_id) references posts (id)
) engine = InnoDB default charset = utf8mb4;
alter table users add foreign key (pinned_post_id) references posts (id);
create table post_votes (
  post_id bigint unsigned not null,
  user_id bigint unsigned not null,
  vote tinyint not null check (vote in (-1, 1)),
  primary key (post_id, user_id),
  foreign key (post_id) references posts (id),
  foreign key (user_id) references users (id)
) engine = InnoDB default charset = utf8mb4;
create table logins (
  id bigint not null auto_increment primary key,
  user_id bigint unsigned not null,
  ip inet6 not null,
  flags bit(4) not null,
  token binary(16) not null unique,
  foreign key (user_id) references users (id)
) engine = InnoDB default charset = utf8mb4;
create table attachments (
  id bigint unsigned not null auto_increment primary key,
  post_id bigint unsigned not null,
  file_name varchar(100) not null,
  content mediumblob not null,
  thumbnail varbinary(300),
  icon tinyblob,
  foreign key (post_id) references posts (id)
) engine = InnoDB;
create table follows (
  follower_id bigint unsigned not null,
  followee_id bigint unsigned not null,
  since datetime not null,
  primary key (follower_id, followee_id),
  foreign key (follower_id) references users (id),
  foreign key (followee_id) references users (id),
  check (follower_id <> followee_id)
) engine = InnoDB;
create table direct_messages (
  id bigint unsigned not null auto_increment primary key,
  sender_id bigint unsigned not null,
  recipient_id bigint unsigned not null,
  body text not null,
  foreign key (sender_id) references users (id),
  foreign key (recipient_id) references users (id),
  check (sender_id <> recipient_id)
) engine = InnoDB;
