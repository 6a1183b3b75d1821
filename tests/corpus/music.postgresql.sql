-- A music store: artists, albums, tracks in genres, playlists of tracks, employees reporting to
-- employees, customers served by an employee, invoices and their lines.
create table artists (id serial primary key, name varchar(120) not null);
create table genres (id serial primary key, name varchar(40) not null);
create table albums (
  id serial primary key,
  title varchar(160) not null,
  artist_id integer not null references artists (id)
);
create table tracks (
  id serial primary key,
  name varchar(200) not null,
  album_id integer references albums (id),
  genre_id integer references genres (id),
  composer varchar(220),
  milliseconds integer not null check (milliseconds > 0),
  unit_price numeric(10, 2) not null check (unit_price between 0.5 and 2)
);
create table playlists (id serial primary key, name varchar(120));
create table playlist_track (
  playlist_id integer not null references playlists (id),
  track_id integer not null references tracks (id),
  primary key (playlist_id, track_id)
);
create table employees (
  id serial primary key,
  last_name varchar(20) not null,
  first_name varchar(20) not null,
  title varchar(30),
  reports_to integer references employees (id),
  birth_date timestamp,
  hire_date timestamp,
  city varchar(40),
  state varchar(40),
  country varchar(40),
  postal_code varchar(10),
  phone varchar(24),
  fax varchar(24),
  email varchar(60)
);
create table customers (
  id serial primary key,
  first_name varchar(40) not null,
  last_name varchar(20) not null,
  company varchar(80),
  city varchar(40),
  country varchar(40),
  email varchar(60) not null unique,
  support_rep_id integer references employees (id)
);
create table invoices (
  id serial primary key,
  customer_id integer not null references customers (id),
  invoice_date timestamp not null,
  billing_city varchar(40),
  billing_country varchar(40),
  billing_postal_code varchar(10),
  total numeric(10, 2) not null check (total >= 0)
);
create table invoice_lines (
  id serial primary key,
  invoice_id integer not null references invoices (id),
  track_id integer not null references tracks (id),
  unit_price numeric(10, 2) not null,
  quantity integer not null check (quantity between 1 and 10)
);
