-- Film rentals: films in languages, actors in films, stores run by one of their staff, copies of
-- films in stores, rentals of copies by customers.
create table languages (
  id integer primary key,
  name char(20) not null
);
create table films (
  id integer primary key,
  title varchar(100) not null,
  description text,
  release_year integer check (release_year between 1901 and 2155),
  language_id integer not null references languages (id),
  original_language_id integer references languages (id),
  rental_rate numeric(4, 2) not null check (rental_rate >= 0.99 and rental_rate <= 9.99),
  length smallint check (length > 0),
  rating varchar(5) check (rating in ('G', 'PG', 'PG-13', 'R', 'NC-17'))
);
create table actors (
  id integer primary key,
  first_name varchar(45) not null,
  last_name varchar(45) not null
);
create table film_actor (
  actor_id integer not null references actors (id),
  film_id integer not null references films (id),
  primary key (actor_id, film_id)
);
create table stores (
  id integer primary key,
  manager_staff_id integer references staff (id),
  city varchar(50) not null
);
create table staff (
  id integer primary key,
  first_name varchar(45) not null,
  last_name varchar(45) not null,
  store_id integer not null references stores (id),
  username varchar(16) not null unique,
  active boolean not null
);
create table rental_customers (
  id integer primary key,
  store_id integer not null references stores (id),
  first_name varchar(45) not null,
  last_name varchar(45) not null,
  email varchar(50)
);
create table inventory (
  id integer primary key,
  film_id integer not null references films (id),
  store_id integer not null references stores (id)
);
create table rentals (
  id integer primary key,
  rental_date timestamp not null,
  inventory_id integer not null references inventory (id),
  customer_id integer not null references rental_customers (id),
  staff_id integer not null references staff (id),
  return_date timestamp,
  check (return_date is null or return_date >= rental_date)
);
