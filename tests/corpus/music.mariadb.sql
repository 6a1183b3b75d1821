-- A music store: artists, albums, tracks in genres, playlists of tracks, employees reporting to
-- employees, customers served by an employee, invoices and their lines.
create table artists (id int not null auto_increment primary key, name varchar(120) not null) engine = InnoDB default charset = utf8mb4;
create table genres (id int not null auto_increment primary key, name varchar(40) not null) engine = InnoDB default charset = utf8mb4;
create table albums (
  id int not null auto_increment primary key,
  title varchar(160) not null,
  artist_id int not null,
  foreign key (artist_id) references artists (id)
) engine = InnoDB default charset = utf8mb4;
create table tracks (
  id int not null auto_increment primary key,
  name varchar(200) not null,
  album_id int,
  genre_id int,
  composer varchar(220),
  milliseconds int unsigned not null check (milliseconds > 0),
  unit_price decimal(10, 2) not null check (unit_price between 0.5 and 2),
  foreign key (album_id) references albums (id),
  foreign key (genre_id) references genres (id)
) engine = InnoDB default charset = utf8mb4;
create table playlists (id int not null auto_increment primary key, name varchar(120)) engine = InnoDB default charset = utf8mb4;
create table playlist_track (
  playlist_id int not null,
  track_id int not null,
  primary key (playlist_id, track_id),
  foreign key (playlist_id) references playlists (id),
  foreign key (track_id) references tracks (id)
) engine = InnoDB default charset = utf8mb4;
create table employees (
  id int not null auto_increment primary key,
  last_name varchar(20) not null,
  first_name varchar(20) not null,
  title varchar(30),
  reports_to int,
  birth_date datetime,
  hire_date datetime,
  city varchar(40),
  state varchar(40),
  country varchar(40),
  postal_code varchar(10),
  phone varchar(24),
  fax varchar(24),
  email varchar(60),
  foreign key (reports_to) references employees (id)
) engine = InnoDB default charset = utf8mb4;
create table customers (
  id int not null auto_increment primary key,
  first_name varchar(40) not null,
  last_name varchar(20) not null,
  company varchar(80),
  city varchar(40),
  country varchar(40),
  email varchar(60) not null unique,
  support_rep_id int,
  foreign key (support_rep_id) references employees (id)
) engine = InnoDB default charset = utf8mb4;
create table invoices (
  id int not null auto_increment primary key,
  customer_id int not null,
  invoice_date datetime not null,
  billing_city varchar(40),
  billing_country varchar(40),
  billing_postal_code varchar(10),
  total decimal(10, 2) not null check (total >= 0),
  foreign key (customer_id) references customers (id)
) engine = InnoDB default charset = utf8mb4;
create table invoice_lines (
  id int not null auto_increment primary key,
  invoice_id int not null,
  track_id int not null,
  unit_price decimal(10, 2) not null,
  quantity int not null check (quantity between 1 and 10),
  line_total decimal(12, 2) as (unit_price * quantity) stored,
  foreign key (invoice_id) references invoices (id),
  foreign key (track_id) references tracks (id)
) engine = InnoDB default charset = utf8mb4;
