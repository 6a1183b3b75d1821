-- Film rentals: films in languages, actors in films, stores run by one of their staff (every store
-- has its manager, a key checked at the commit), copies of films in stores, rentals of copies by
-- customers (partitioned by month).
create domain year as integer check (value >= 1901 and value <= 2155);
create type mpaa_rating as enum ('G', 'PG', 'PG-13', 'R', 'NC-17');
create table languages (
  id serial primary key,
  name char(20) not null
);
create table films (
  id serial primary key,
  title varchar(100) not null,
  description text,
  release_year year,
  language_id integer not null references languages (id),
  original_language_id integer references languages (id),
  rental_rate numeric(4, 2) not null check (rental_rate >= 0.99 and rental_rate <= 9.99),
  length smallint check (length > 0),
  rating mpaa_rating
);
create table actors (
  id serial primary key,
  first_name varchar(45) not null,
  last_name varchar(45) not null
);
create table film_actor (
  actor_id integer not null references actors (id),
  film_id integer not null references films (id),
  primary key (actor_id, film_id)
);
create table stores (
  id serial primary key,
  manager_staff_id integer not null,
  city varchar(50) not null
);
create table staff (
  id serial primary key,
  first_name varchar(45) not null,
  last_name varchar(45) not null,
  store_id integer not null references stores (id),
  username varchar(16) not null unique,
  active boolean not null
);
alter table stores add foreign key (manager_staff_id) references staff (id) deferrable initially immediate;
create table rental_customers (
  id serial primary key,
  store_id integer not null references stores (id),
  first_name varchar(45) not null,
  last_name varchar(45) not null,
  email varchar(50)
);
create table inventory (
  id serial primary key,
  film_id integer not null references films (id),
  store_id integer not null references stores (id)
);
create table rentals (
  id integer not null,
  rental_date timestamp not null,
  inventory_id integer not null references inventory (id),
  customer_id integer not null references rental_customers (id),
  staff_id integer not null references staff (id),
  return_date timestamp,
  check (return_date is null or return_date >= rental_date),
  primary key (id, rental_date)
) partition by range (rental_date);
create table rentals_2025 partition of rentals for values from ('2025-01-01') to ('2026-01-01');
create table rentals_2026 partition of rentals for values from ('2026-01-01') to ('2027-01-01');
